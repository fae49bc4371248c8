#pragma once

#include "storage/ServerPrompt.h"

namespace velkora {

// The server question of the data form asked with the suite's dialog TKivIn2Form: the server
// name in Edit1 and the drive letter in Edit2, confirmed with OK.
class KivIn2Prompt : public ServerPrompt
{
public:
    std::optional<Risposta> chiedi(const QString& titolo, const QString& testo, QWidget* owner,
                                   platform::MessageService& messages) override;
};

} // namespace velkora
