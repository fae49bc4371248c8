#include "platform/Traduzioni.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

// The texts of Qt's print preview, printer choice and file chooser, which the print library
// shows, come in Italian once the translations are installed.
TEST(TraduzioniQt, QtsOwnDialogsSpeakItalian)
{
    ASSERT_TRUE(velkora::platform::installaTraduzioniQt())
        << "Qt's translations are missing (qt6-translations-l10n)";
    EXPECT_TRUE(velkora::platform::installaTraduzioniQt()) << "a second call";
    const struct
    {
        const char* contesto;
        const char* testo;
        const char* atteso;
    } casi[] = {
        {"QPrintPreviewDialog", "Print", "Stampa"},
        {"QPrintPreviewDialog", "Next page", "Pagina successiva"},
        {"QPrintDialog", "Print", "Stampa"},
        {"QFileDialog", "Save As", "Salva come"},
        {"QPlatformTheme", "Cancel", "Annulla"},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(std::string(c.contesto) + " " + c.testo);
        EXPECT_EQ(QCoreApplication::translate(c.contesto, c.testo), QString::fromUtf8(c.atteso));
    }
}

} // namespace
