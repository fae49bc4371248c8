#include "PdfText.h"
#include "TestPaths.h"
#include "data/TabX.h"
#include "db/QueryDataSet.h"
#include "dispatch/ModuleAccess.h"
#include "platform/DynamicLibrary.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrintPreviewDialog>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace velkora;
using platform::DynamicLibrary;

namespace {

struct Contatto
{
    int codice;
    QString nome;
    QString telefono;
};

// Names with the accented letters of Windows-1252 that Italian names and places carry.
const std::vector<Contatto> kContatti = {
    {1, QStringLiteral("Nicolò Fabbri"), QStringLiteral("051 123456")},
    {2, QStringLiteral("Società Città di Forlì"), QStringLiteral("0543 99")},
    {3, QStringLiteral("Perché Sì S.r.l. — Ufficio è à ù"), QString()},
    {12, QStringLiteral("François Ängström"), QStringLiteral("+39 333 0000000")},
};

// The real print library in a program folder, called through the data form as a module calls
// it. The preview dialog it shows is driven by a script: it checks the window and saves a PDF
// through the preview's own button and file dialog; the PDF is read back as text.
class PrintModuleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        ASSERT_TRUE(test::copyModule(QDir(QString::fromUtf8(test::kProgramDir)).filePath(QStringLiteral("libVorp.so")),
                                     folder.file(QStringLiteral("libVorp.so"))));
        form = std::make_unique<TTabXForm>(nullptr, 0, folder.environment());
        form->DittaCorrente = QStringLiteral("Bianchi & Figli S.n.c.");
        for (const char* nome : {"TitoloStampa", "NomeReport"}) {
            form->MemTabX.append();
            form->MemTabX.setAsString(QStringLiteral("Nome"), QString::fromLatin1(nome));
            form->MemTabX.post();
        }
        for (const Contatto& c : kContatti) {
            db::Query insert(&form->IBDatabaseUser);
            insert.add(QStringLiteral("INSERT INTO RUBRICA (CODICE, UTENTE, NOME, TELEFONO) VALUES (:C, 1, :N, :T)"));
            insert.setParam(QStringLiteral("C"), c.codice);
            insert.setParam(QStringLiteral("N"), c.nome);
            insert.setParam(QStringLiteral("T"), c.telefono.isEmpty() ? QVariant() : QVariant(c.telefono));
            insert.execSql();
        }
        form->IBDatabaseUser.defaultTransaction()->commit();
        pdf = folder.file(QStringLiteral("stampa.pdf"));
    }

    // Scripts the preview: records its title and page count, presses "Salva PDF" and answers
    // the file dialog with the test's file.
    void scriptPreviewSavingPdf()
    {
        folder.messages.onNextDialog([this](QDialog& dialog) {
            previewTitle = dialog.windowTitle();
            EXPECT_NE(qobject_cast<QPrintPreviewDialog*>(&dialog), nullptr);
            // A picture of the preview as the user sees it, when asked for (README, reviews).
            const QString shot = qEnvironmentVariable("VELKORA_PREVIEW_SHOT");
            if (!shot.isEmpty()) {
                QApplication::processEvents();
                EXPECT_TRUE(dialog.grab().save(shot));
            }
            QAction* save = dialog.findChild<QAction*>(QStringLiteral("SalvaPdf"));
            EXPECT_NE(save, nullptr);
            if (save)
                save->trigger();
            return int(QDialog::Rejected);
        });
        folder.messages.onNextDialog([this](QDialog& dialog) {
            auto* chooser = qobject_cast<QFileDialog*>(&dialog);
            EXPECT_NE(chooser, nullptr);
            if (!chooser)
                return int(QDialog::Rejected);
            chooser->selectFile(pdf);
            static_cast<QDialog*>(chooser)->accept(); // QFileDialog hides its accept()
            return chooser->result();
        });
    }

    test::ProgramFolder folder;
    std::unique_ptr<TTabXForm> form;
    QString pdf;
    QString previewTitle;
};

struct DataSetKind
{
    const char* name;
    bool query;
};

class PrintModuleKindTest : public PrintModuleTest, public ::testing::WithParamInterface<DataSetKind>
{
};

TEST_P(PrintModuleKindTest, ThePreviewSavesAPdfWithHeaderCaptionsAndEveryRow)
{
    db::QueryDataSet rubrica(&form->IBDatabaseUser);
    rubrica.setSql({QStringLiteral("SELECT CODICE, NOME, TELEFONO FROM RUBRICA ORDER BY CODICE")});
    rubrica.open();
    rubrica.next(); // the window stands on the second row
    MemTable memoria;
    memoria.setFields({{QStringLiteral("CODICE"), MemTable::FieldType::LargeInt},
                       {QStringLiteral("NOME"), MemTable::FieldType::String, 100},
                       {QStringLiteral("TELEFONO"), MemTable::FieldType::String, 40}});
    memoria.open();
    for (const Contatto& c : kContatti) {
        memoria.append();
        memoria.setAsString(QStringLiteral("CODICE"), QString::number(c.codice));
        memoria.setAsString(QStringLiteral("NOME"), c.nome);
        memoria.setAsString(QStringLiteral("TELEFONO"), c.telefono);
        memoria.post();
    }
    memoria.first();
    memoria.next();

    scriptPreviewSavingPdf();
    const QString titolo = QStringLiteral("Rubrica dell'ufficio è");
    if (GetParam().query)
        form->LanciaStampaConDll(titolo, QStringLiteral("Nessuno"), rubrica);
    else
        form->LanciaStampaConDll(titolo, QStringLiteral("Nessuno"), memoria);

    EXPECT_TRUE(folder.messages.boxes().empty()) << folder.messages.texts().join(u'|').toStdString();
    EXPECT_EQ(previewTitle, QStringLiteral("Anteprima di stampa - ") + titolo);
    EXPECT_FALSE(DynamicLibrary::isLoaded(folder.file(QStringLiteral("libVorp.so"))));
    // The window's dataset stands where it stood.
    EXPECT_EQ(GetParam().query ? rubrica.row() : memoria.row(), 1);

    ASSERT_TRUE(QFileInfo::exists(pdf));
    const QStringList pages = test::pdfPages(pdf);
    ASSERT_EQ(pages.size(), 1);
    const QStringList lines = test::squeezedLines(pages.front());
    ASSERT_GE(lines.size(), 3 + int(kContatti.size()));
    EXPECT_EQ(lines.at(0), titolo + QStringLiteral(" Data: ") + QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_EQ(lines.at(1), form->DittaCorrente);
    EXPECT_EQ(lines.at(2), QStringLiteral("CODICE NOME TELEFONO"));
    for (std::size_t i = 0; i < kContatti.size(); ++i) {
        const Contatto& c = kContatti[i];
        EXPECT_EQ(lines.at(3 + int(i)), QStringLiteral("%1 %2 %3").arg(c.codice).arg(c.nome, c.telefono).trimmed());
    }
    EXPECT_EQ(lines.constLast(), QStringLiteral("Pagina 1 di 1"));
    // Codes are right-aligned, names left-aligned: "1" ends where "12" ends, and the names of
    // both rows start at one place.
    const std::vector<test::PdfWord> words = test::pdfWords(pdf);
    auto find = [&](const QString& text) {
        const auto it = std::find_if(words.begin(), words.end(), [&](const test::PdfWord& w) { return w.text == text; });
        return it == words.end() ? test::PdfWord{} : *it;
    };
    const test::PdfWord uno = find(QStringLiteral("1"));
    const test::PdfWord dodici = find(QStringLiteral("12"));
    ASSERT_FALSE(uno.text.isEmpty());
    ASSERT_FALSE(dodici.text.isEmpty());
    EXPECT_NEAR(uno.xMax, dodici.xMax, 0.5);
    EXPECT_GT(uno.xMin, dodici.xMin + 1);
    EXPECT_NEAR(find(QStringLiteral("Nicolò")).xMin, find(QStringLiteral("François")).xMin, 0.5);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PrintModuleKindTest,
                         ::testing::Values(DataSetKind{"QueryDataSet", true}, DataSetKind{"MemTable", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PrintModuleTest, ClosingThePreviewWritesNothingAndTheLibraryPrintsAgain)
{
    MemTable vuota;
    vuota.setFields({{QStringLiteral("A"), MemTable::FieldType::String, 10}});
    vuota.open();
    for (int volta = 0; volta < 2; ++volta) {
        folder.messages.onNextDialog([](QDialog&) {
            // The preview has drawn its pages by the time the user sees it.
            QApplication::processEvents();
            return int(QDialog::Rejected);
        });
        form->LanciaStampaConDll(QStringLiteral("Vuota"), QString(), vuota);
    }
    EXPECT_EQ(folder.messages.dialogTitles(),
              (QStringList{QStringLiteral("Anteprima di stampa - Vuota"), QStringLiteral("Anteprima di stampa - Vuota")}));
    EXPECT_TRUE(folder.messages.boxes().empty());
    EXPECT_FALSE(QFileInfo::exists(pdf));
    EXPECT_EQ(DynamicLibrary::loadCount(folder.file(QStringLiteral("libVorp.so"))), 2);
}

} // namespace
