#include "platform/Traduzioni.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace velkora::platform {

bool installaTraduzioniQt()
{
    // One translator for the whole run, owned by the application.
    static QTranslator* traduzioni = nullptr;
    if (traduzioni)
        return true;
    auto* t = new QTranslator(QCoreApplication::instance());
    if (!t->load(QLocale(QLocale::Italian), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    traduzioni = t;
    return true;
}

} // namespace velkora::platform
