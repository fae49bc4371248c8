#pragma once

#include <velkora/platform/DriveMap.h>

#include <QString>

#include <utility>

namespace velkora::platform {

class MessageService;

// What the data form and the windows take from their surroundings: where the program folder is,
// how message boxes and dialogs are shown and which folders the drive letters name. The program
// sets the process-wide one at start; module libraries that create their own data form get it
// too; tests pass their own.
struct Environment
{
    Environment() = default;
    Environment(QString folder, MessageService* messageService, DriveMap driveMap = DriveMap())
        : programFolder(std::move(folder))
        , messages(messageService)
        , drives(std::move(driveMap))
    {
    }

    // The program folder, ending in a separator.
    QString programFolder;
    MessageService* messages = nullptr;
    // The drive letters of this workstation; the standard map unless a test sets its own.
    DriveMap drives;

    // The process-wide environment: the executable's folder and the Qt message boxes until
    // someone replaces it.
    static Environment& process();
};

} // namespace velkora::platform
