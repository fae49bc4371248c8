// The process's environment lives with the widgets: its message boxes are the Qt ones. The rules
// never reach for it; they are handed the environment of their data form.

#include "platform/Environment.h"

#include "platform/FileSystem.h"
#include "platform/ui/QtMessageService.h"

namespace velkora::platform {

Environment& Environment::process()
{
    static QtMessageService qtMessages;
    static Environment environment{QString(), &qtMessages};
    // The folder is looked up on first use rather than at static initialisation, and again
    // while it is still unknown, so it is right even when the first call comes before the
    // application object exists. A folder someone set is never replaced.
    static bool folderLookedUp = false;
    if (!folderLookedUp && environment.programFolder.isEmpty()) {
        environment.programFolder = executableFolder();
        folderLookedUp = !environment.programFolder.isEmpty();
    }
    return environment;
}

} // namespace velkora::platform
