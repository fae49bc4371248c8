#include "platform/ui/Fonts.h"

#include <QFileInfo>
#include <QFontDatabase>

namespace velkora::platform {

void registerDesignFonts()
{
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        return;
    for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
        const QString path = QString::fromLatin1(file);
        if (QFileInfo::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
}

} // namespace velkora::platform
