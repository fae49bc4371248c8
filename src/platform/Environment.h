#pragma once

#include <QString>

namespace velkora::platform {

class MessageService;

// What the data form and the windows take from their surroundings: where the program folder is
// and how message boxes and dialogs are shown. The program sets the process-wide one at start;
// module libraries that create their own data form get it too; tests pass their own.
struct Environment
{
    // The program folder, ending in a separator.
    QString programFolder;
    MessageService* messages = nullptr;

    // The process-wide environment: the executable's folder and the Qt message boxes until
    // someone replaces it.
    static Environment& process();
};

} // namespace velkora::platform
