#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace velkora {

class ChiamateModulo;
class SessioniLavoro;
class TTabXForm;

namespace db {
class Query;
}

namespace platform {
class MessageService;
}

// The five ways a module function is called (ChiamateModulo), named after the operations.
enum class TipoChiamata
{
    DLL,
    DLL2,
    DLLX,
    DLL2X,
    DLL3Y
};

// The kind a function is called through: by the last character of its name ("Y" always with
// window id and plain text, "X" with the window id and, outside mode 1, the counted text; any
// other character, lower-case "x" and "y" included, with the user number alone or, outside mode
// 1, with the counted text).
TipoChiamata tipoChiamata(const QString& funzione, qint32 modo);

// Starts the function behind a menu item: checks the user's security profile, reads the item's
// library, function and parameter text from DETTMENU, checks that the work session is still
// open, logs the call, writes the current company back to the user's row and calls the function.
// Every stop shows its box and ends the dispatch without any further step.
class EsecuzioneVoce
{
public:
    struct Contesto
    {
        // The query the profile, item and company statements run on (the main window's
        // statement holder in its no-wait transaction).
        db::Query& query;
        // The current user: NumUser, NomeUser and DittaCorrente.
        TTabXForm& form;
        platform::MessageService& messages;
        // The window the boxes belong to; may be null.
        QWidget* finestra;
        // The user's security profile code, and whether he may skip the profile check.
        qint32 numProfilo = 0;
        bool mantieniStdMin = false;
        // The session check and the call log.
        SessioniLavoro& sessioni;
        const ChiamateModulo& chiamate;
    };

    explicit EsecuzioneVoce(const Contesto& contesto);

    // Runs the item (programma, menu) in the given mode (1, or 2 for the leaves that pass their
    // parameters). Returns the kind the function was called through, or nothing when the
    // dispatch stopped before the call. A database error of the profile or item statement is
    // thrown before anything is logged.
    std::optional<TipoChiamata> EseguiFunzioneVoce(qint32 programma, qint32 menu, qint32 modo);

private:
    bool profiloEsiste();
    void errore(const QString& testo);

    Contesto m_contesto;
};

} // namespace velkora
