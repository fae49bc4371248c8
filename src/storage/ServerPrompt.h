#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace velkora {

namespace platform {
class MessageService;
}

// The question the data form asks when a database cannot be reached and "dati.ini" names no
// server: which computer holds the database and the letter of its drive. The data form only
// knows this interface; the window that asks lives with the program's windows, which install it
// at start (the start program installs its dialog TKivIn2Form). Modules that make their own data
// form in the same process share the installed one.
class ServerPrompt
{
public:
    struct Risposta
    {
        QString nomeServer;
        QString letteraDisco;
    };

    virtual ~ServerPrompt() = default;

    // Asks modally, through messages, in a window captioned titolo with the text testo, owned by
    // owner (may be null). The two texts as typed when the user confirmed; nothing when he
    // cancelled or closed the window.
    virtual std::optional<Risposta> chiedi(const QString& titolo, const QString& testo,
                                           QWidget* owner, platform::MessageService& messages) = 0;

    // The prompt of the process; null until one is installed, and then the question counts as
    // unanswered.
    static ServerPrompt* installed();
    // Replaces the prompt of the process (null removes it). The prompt must outlive its use.
    static void install(ServerPrompt* prompt);
};

} // namespace velkora
