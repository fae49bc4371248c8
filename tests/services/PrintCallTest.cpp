#include "data/TabX.h"
#include "db/QueryDataSet.h"
#include "dispatch/ModuleAccess.h"
#include "platform/DynamicLibrary.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"
#include "TestModulePaths.h"
#include "TestPrintPaths.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

using namespace velkora;
using platform::BoxKind;
using platform::DynamicLibrary;

namespace {

const QString kErroreStampa = QStringLiteral("Errore nell'accesso alla DLL Vorp delle stampe");

// A program folder with a user database and a data form on it. The form's typed parameters
// hold "TitoloStampa" and "NomeReport" unless a test removes them, as a module's form would.
class PrintCallTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        form = std::make_unique<TTabXForm>(nullptr, 0, folder.environment());
        ASSERT_TRUE(folder.messages.boxes().empty()) << folder.messages.texts().join(u'|').toStdString();
        aggiungiParametro(QStringLiteral("TitoloStampa"), QStringLiteral("titolo di prima"));
        aggiungiParametro(QStringLiteral("NomeReport"), QStringLiteral("report di prima"));
        utenti.setDatabase(&form->IBDatabaseUser);
        utenti.setSql({QStringLiteral("SELECT CODICE, NOMEUTENTE FROM UTENTI ORDER BY CODICE")});
        utenti.open();
    }

    void TearDown() override
    {
        // A library left loaded by a test would be found by the next one under the same path.
        if (DynamicLibrary::Handle h = DynamicLibrary::loaded(printLibrary()))
            DynamicLibrary::unload(h);
    }

    void aggiungiParametro(const QString& nome, const QString& testo)
    {
        form->MemTabX.append();
        form->MemTabX.setAsString(QStringLiteral("Tipo"), QStringLiteral("TBX"));
        form->MemTabX.setAsString(QStringLiteral("Nome"), nome);
        form->MemTabX.setAsString(QStringLiteral("Testo"), testo);
        form->MemTabX.post();
    }

    QString testo(const QString& nome)
    {
        return form->MemTabX.locate(QStringLiteral("Nome"), nome)
                   ? form->MemTabX.asString(QStringLiteral("Testo"))
                   : QStringLiteral("<assente>");
    }

    QString printLibrary() const { return folder.file(QStringLiteral("libVorp.so")); }
    void installa(const char* built) { ASSERT_TRUE(test::copyModule(QString::fromUtf8(built), printLibrary())); }

    // What the test print library wrote for each call: "export|title|report|dataset|rows|form".
    QStringList chiamate()
    {
        QStringList out;
        MemTable& t = form->MemTabX;
        for (t.first(); !t.eof(); t.next()) {
            if (t.asString(QStringLiteral("Tipo")) == QLatin1String("STAMPA"))
                out << t.asString(QStringLiteral("Nome")) + u'|' + t.asString(QStringLiteral("Testo")) + u'|'
                           + t.asString(QStringLiteral("Memo"));
        }
        return out;
    }

    QString atteso(const char* ingresso, const QString& titolo, const QString& report, const void* dataset,
                   int righe)
    {
        return QStringLiteral("%1|%2|%3|%4|%5|%6")
            .arg(QString::fromLatin1(ingresso), titolo, report)
            .arg(reinterpret_cast<quintptr>(dataset))
            .arg(righe)
            .arg(reinterpret_cast<quintptr>(form.get()));
    }

    test::ProgramFolder folder;
    std::unique_ptr<TTabXForm> form;
    db::QueryDataSet utenti;
};

TEST_F(PrintCallTest, TheDatasetKindChoosesTheExportAndTheLibraryIsReleasedAfterEachCall)
{
    installa(test::kTestPrintWholeFile);
    MemTable memoria;
    memoria.setFields({{QStringLiteral("A"), MemTable::FieldType::String, 10}});
    memoria.open();
    for (int i = 0; i < 3; ++i) {
        memoria.append();
        memoria.setAsString(QStringLiteral("A"), QString::number(i));
        memoria.post();
    }

    form->LanciaStampaConDll(QStringLiteral("Elenco utenti"), QStringLiteral("Utenti"), utenti);
    EXPECT_FALSE(DynamicLibrary::isLoaded(printLibrary()));
    form->LanciaStampaConDll(QStringLiteral("Città d'Italia"), QStringLiteral("Memoria"), memoria);
    EXPECT_FALSE(DynamicLibrary::isLoaded(printLibrary()));

    EXPECT_EQ(chiamate(),
              (QStringList{atteso("ShowVorp11FormD", QStringLiteral("Elenco utenti"), QStringLiteral("Utenti"),
                                  &utenti, utenti.recordCount()),
                           atteso("ShowVorp11MemFormD", QStringLiteral("Città d'Italia"),
                                  QStringLiteral("Memoria"), &memoria, 3)}));
    // Loaded anew for the second call: it was released in between.
    EXPECT_EQ(DynamicLibrary::loadCount(printLibrary()), 2);
    EXPECT_TRUE(folder.messages.boxes().empty());
}

TEST_F(PrintCallTest, WithoutTheTitleParameterTheLibraryIsStillCalled)
{
    installa(test::kTestPrintWholeFile);
    ASSERT_TRUE(form->MemTabX.locate(QStringLiteral("Nome"), QStringLiteral("TitoloStampa")));
    form->MemTabX.edit();
    form->MemTabX.setAsString(QStringLiteral("Nome"), QStringLiteral("AltroNome"));
    form->MemTabX.post();

    form->LanciaStampaConDll(QStringLiteral("Nuovo titolo"), QStringLiteral("Utenti"), utenti);

    EXPECT_EQ(chiamate(), QStringList{atteso("ShowVorp11FormD", QStringLiteral("<assente>"),
                                             QStringLiteral("Utenti"), &utenti, utenti.recordCount())});
    EXPECT_EQ(testo(QStringLiteral("AltroNome")), QStringLiteral("titolo di prima"));
    EXPECT_TRUE(folder.messages.boxes().empty());
}

// The silent and the reported failures, one row each.
struct Failure
{
    const char* name;
    const char* library; // null: no print library in the folder
    bool loadedAfter;
    int loads;
    QStringList boxes;
};

class PrintFailureTest : public PrintCallTest, public ::testing::WithParamInterface<Failure>
{
};

TEST_P(PrintFailureTest, ParametersAreSetAndOnlyAnErrorInsideTheCallSpeaks)
{
    const Failure& row = GetParam();
    if (row.library)
        installa(row.library);

    form->LanciaStampaConDll(QStringLiteral("Titolo nuovo"), QStringLiteral("Report nuovo"), utenti);

    EXPECT_EQ(testo(QStringLiteral("TitoloStampa")), QStringLiteral("Titolo nuovo"));
    EXPECT_EQ(testo(QStringLiteral("NomeReport")), QStringLiteral("Report nuovo"));
    EXPECT_TRUE(chiamate().isEmpty());
    EXPECT_EQ(DynamicLibrary::isLoaded(printLibrary()), row.loadedAfter);
    EXPECT_EQ(DynamicLibrary::loadCount(printLibrary()), row.loads);
    EXPECT_EQ(folder.messages.texts(), row.boxes);
    if (!row.boxes.isEmpty()) {
        EXPECT_EQ(folder.messages.boxes().front().kind, BoxKind::Error);
        EXPECT_EQ(folder.messages.boxes().front().detail, QStringLiteral("tabella di stampa illeggibile"));
    }
    // The form keeps working: the user's dataset is untouched and can be printed again.
    EXPECT_EQ(utenti.row(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PrintFailureTest,
    ::testing::Values(Failure{"MissingLibrary", nullptr, false, 0, {}},
                      Failure{"MissingExport", test::kTestPrintNoExportsFile, false, 1, {}},
                      // The library stays after an error: a window of it may still be open.
                      Failure{"ErrorInsideTheCall", test::kTestPrintThrowsFile, true, 1, {kErroreStampa}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PrintCallTest, AvviaFunzXDllPassesItsIntegerAndKeepsTheLibrary)
{
    const QString file = folder.file(QStringLiteral("moduli/libProva.so"));
    ASSERT_TRUE(test::copyModule(QString::fromUtf8(test::kTestPrintWholeFile), file));

    EXPECT_EQ(form->AvviaFunzXDll(QStringLiteral("moduli\\Prova.dll"), QStringLiteral("RegistraValore"), -77), 1);
    ASSERT_TRUE(DynamicLibrary::isLoaded(file));
    const auto ultimo = reinterpret_cast<std::int32_t (*)()>(
        DynamicLibrary::function(DynamicLibrary::loaded(file), QStringLiteral("UltimoValore")));
    ASSERT_NE(ultimo, nullptr);
    EXPECT_EQ(ultimo(), -77);

    // Missing library, missing function, a name differing in case: nothing, no message.
    EXPECT_EQ(form->AvviaFunzXDll(QStringLiteral("moduli\\Assente.dll"), QStringLiteral("RegistraValore"), 1), 0);
    EXPECT_EQ(form->AvviaFunzXDll(QStringLiteral("moduli\\Prova.dll"), QStringLiteral("Assente"), 2), 0);
    EXPECT_EQ(form->AvviaFunzXDll(QStringLiteral("moduli\\Prova.dll"), QStringLiteral("registravalore"), 3), 0);
    EXPECT_EQ(ultimo(), -77);

    // An error inside the function reaches the caller, and the library stays loaded.
    try {
        form->AvviaFunzXDll(QStringLiteral("moduli\\Prova.dll"), QStringLiteral("SollevaErrore"), 9);
        ADD_FAILURE() << "the error did not reach the caller";
    } catch (const std::runtime_error& errore) {
        EXPECT_STREQ(errore.what(), "valore rifiutato: 9");
    }
    EXPECT_EQ(DynamicLibrary::loadCount(file), 1);
    EXPECT_TRUE(folder.messages.boxes().empty());
    DynamicLibrary::unload(DynamicLibrary::loaded(file));
}

} // namespace
