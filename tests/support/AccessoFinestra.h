#pragma once

#include "support/ProgramFolder.h"

#include <QString>

#include <memory>

namespace velkora {
class TBaseMainForm;
}

namespace velkora::test {

// The main window of the program folder, shown and active, with the user logged in through the
// login panel as a person does it (his name chosen, OK pressed). No box may come; once the
// window works (the favourites read after the login included) the recorded boxes are cleared.
std::unique_ptr<TBaseMainForm> accediDalPannello(ProgramFolder& folder, const QString& utente);

} // namespace velkora::test
