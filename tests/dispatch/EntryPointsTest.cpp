#include "data/TabX.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "dispatch/ModuleAccess.h"
#include "platform/DynamicLibrary.h"
#include "shell/BaseMain.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"
#include "TestModulePaths.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

using namespace velkora;
using velkora::platform::DynamicLibrary;
using namespace velkora::test;

namespace {

// The main window on a program folder of its own (user database, "Grafica"), calling into
// the test module built by the test tree.
class EntryPointsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        folder.makeFolder(QStringLiteral("Grafica"));
        CurrentDirectory cwd(folder.path());
        window = std::make_unique<TBaseMainForm>(folder.environment());
        // A copy of the build's module in the program folder, where the loader takes modules
        // from; start from a clean record.
        ASSERT_TRUE(copyModule(QString::fromUtf8(kTestModuleFile), moduleFile));
        ASSERT_NE(DynamicLibrary::load(module, folder.path()), nullptr);
        resetModule(moduleFile);
        folder.messages.clear();
    }

    const ModuleRecord& record() const { return *recordOf(moduleFile); }

    ProgramFolder folder;
    std::unique_ptr<TBaseMainForm> window;
    // The module as a menu item names it, and its file.
    const QString module = QStringLiteral("Prova.so");
    const QString moduleFile = folder.file(module);
};

enum class Kind { DLL, DLL2, DLLX, DLL2X, DLL3Y };

void call(TBaseMainForm& w, Kind kind, const QString& library, const QString& function, const QString& text,
          qint32 id)
{
    switch (kind) {
    case Kind::DLL:
        return w.CaricaFunzioneDLL(library, function);
    case Kind::DLL2:
        return w.CaricaFunzioneDLL2(library, function, text);
    case Kind::DLLX:
        return w.CaricaFunzioneDLLX(library, function, id);
    case Kind::DLL2X:
        return w.CaricaFunzioneDLL2X(library, function, text, id);
    case Kind::DLL3Y:
        return w.CaricaFunzioneDLL3Y(library, function, text, id);
    }
}

std::string bytes(std::initializer_list<unsigned char> values)
{
    return std::string(values.begin(), values.end());
}

struct KindCase
{
    const char* what;
    Kind kind;
    const char* function;
    QString text;
    qint32 id;
    // What must arrive.
    std::optional<qint32> expectedId;
    TextForm form;
    bool textIsNull;
    std::string expectedBytes; // terminating zero included
};

const std::string kNonAscii = bytes({0xE8, ' ', 0xE0, ' ', 0xB4, ' ', 0x80, 0x00});
const QString kNonAsciiText = QStringLiteral("è à ´ €");
const QString kLong = QString(300, QLatin1Char('x'));

const KindCase kKinds[] = {
    {"user number only", Kind::DLL, "ApriUno", {}, 0, std::nullopt, TextForm::None, false, {}},
    {"counted text", Kind::DLL2, "ApriDueTesto", QStringLiteral("DITTA=1"), 0, std::nullopt, TextForm::Counted,
     false, std::string("DITTA=1", 8)},
    {"counted text, empty is null", Kind::DLL2, "ApriDueTesto", QString(), 0, std::nullopt, TextForm::Counted, true,
     {}},
    {"counted text, Windows-1252 bytes", Kind::DLL2, "ApriDueTesto", kNonAsciiText, 0, std::nullopt,
     TextForm::Counted, false, kNonAscii},
    {"counted text longer than a byte can count", Kind::DLL2, "ApriDueTesto", kLong, 0, std::nullopt,
     TextForm::Counted, false, std::string(300, 'x') + '\0'},
    {"window id", Kind::DLLX, "ApriFinestraX", {}, 57, 57, TextForm::None, false, {}},
    {"window id 0 (no window columns)", Kind::DLLX, "ApriFinestraX", {}, 0, 0, TextForm::None, false, {}},
    {"counted text and window id", Kind::DLL2X, "ApriDueX", QStringLiteral("a b"), 58, 58, TextForm::Counted, false,
     std::string("a b", 4)},
    {"counted text and window id, empty is null", Kind::DLL2X, "ApriDueX", QStringLiteral(""), -3, -3,
     TextForm::Counted, true, {}},
    {"counted text and window id, Windows-1252 bytes", Kind::DLL2X, "ApriDueX", kNonAsciiText, 59, 59,
     TextForm::Counted, false, kNonAscii},
    {"window id and plain text", Kind::DLL3Y, "ApriTreY", QStringLiteral("P1;P2"), 60, 60, TextForm::Plain, false,
     std::string("P1;P2", 6)},
    {"plain text, empty is a zero byte", Kind::DLL3Y, "ApriTreY", QString(), 61, 61, TextForm::Plain, false,
     std::string(1, '\0')},
    {"plain text, Windows-1252 bytes", Kind::DLL3Y, "ApriTreY", kNonAsciiText, 62, 62, TextForm::Plain, false,
     kNonAscii},
};

TEST_F(EntryPointsTest, EveryKindPassesItsArgumentsInItsOrderAndForm)
{
    int expectedCalls = 0;
    qint32 user = 100;
    for (const KindCase& c : kKinds) {
        SCOPED_TRACE(c.what);
        // A different user each time: the number must be read from the data form at the call.
        window->tabX()->NumUser = ++user;
        call(*window, c.kind, module, QString::fromUtf8(c.function), c.text, c.id);

        const ModuleRecord& r = record();
        EXPECT_EQ(r.calls, ++expectedCalls) << "called exactly once";
        const ModuleCall& got = r.last;
        EXPECT_EQ(got.function, c.function);
        EXPECT_EQ(got.numUser, user);
        EXPECT_EQ(got.idFinestra, c.expectedId);
        EXPECT_EQ(got.form, c.form);
        EXPECT_EQ(got.textIsNull, c.textIsNull);
        EXPECT_EQ(got.bytes, c.expectedBytes);
        if (c.form == TextForm::Counted && !c.textIsNull) {
            EXPECT_EQ(got.refCount, 1);
            EXPECT_EQ(got.length, static_cast<std::int32_t>(c.expectedBytes.size()) - 1);
        }
    }
    EXPECT_TRUE(folder.messages.boxes().empty());
}

TEST_F(EntryPointsTest, AMissingLibraryOrFunctionDoesNothingAndSaysNothing)
{
    struct Missing
    {
        const char* what;
        QString library;
        const char* function;
    };
    const Missing cases[] = {
        {"library missing", QStringLiteral("Inesistente.dll"), "ApriFinestraX"},
        {"library name empty", QString(), "ApriFinestraX"},
        {"function missing", module, "ApriNessunoX"},
        {"function name empty", module, ""},
        {"name differs only in letter case", module, "ApriMinuscoloX"},
        {"name differs only in letter case, capitals", module, "APRIFINESTRAX"},
        {"function not exported", module, "ApriNascostoX"},
        // Found by a plain dlsym through the module's dependencies; calling it would end the
        // test program.
        {"function of a library the module uses", module, "abort"},
    };
    for (const Missing& m : cases) {
        for (Kind kind : {Kind::DLL, Kind::DLL2, Kind::DLLX, Kind::DLL2X, Kind::DLL3Y}) {
            SCOPED_TRACE(std::string(m.what) + ", kind " + std::to_string(static_cast<int>(kind)));
            call(*window, kind, m.library, QString::fromUtf8(m.function), QStringLiteral("x"), 7);
            EXPECT_EQ(record().calls, 0);
        }
    }
    EXPECT_TRUE(folder.messages.boxes().empty());

    // The same spelling the module exports does arrive.
    window->CaricaFunzioneDLLX(module, QStringLiteral("apriminuscolox"), 8);
    EXPECT_EQ(record().calls, 1);
    EXPECT_EQ(record().last.function, "apriminuscolox");
}

// The test module is built with the public headers alone; called like any module function, it
// makes its own data form on the process's environment and works with the user it was called for.
TEST_F(EntryPointsTest, AModuleBuiltOnThePublicHeadersWorksWithItsOwnDataForm)
{
    {
        db::Database setup;
        test::attach(setup, folder.userDatabase());
        test::exec(setup, QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA) VALUES (7, 'VIOLA', 'DITTA V')"));
        test::exec(setup, QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO) "
                                         "VALUES (7, 'DITTA V', 'ParametroProva', 'valore è', 1)"));
        test::exec(setup, QStringLiteral("INSERT INTO NORVILOGFUNZ (FUNZIONECHIAMATA, IDFINESTRA) VALUES ('ApriConDatiX', 31)"));
    }
    platform::Environment& process = platform::Environment::process();
    const platform::Environment saved = process;
    process = folder.environment();
    window->tabX()->NumUser = 7;
    window->CaricaFunzioneDLLX(module, QStringLiteral("ApriConDatiX"), 31);
    process = saved;

    const ModuleCall& got = record().last;
    EXPECT_EQ(got.function, "ApriConDatiX");
    EXPECT_EQ(got.nomeUser, "VIOLA");
    EXPECT_EQ(got.dittaCorrente, "DITTA V");
    EXPECT_EQ(got.parametro, "valore è");
    EXPECT_TRUE(got.handleScritto);
    db::Database check;
    test::attach(check, folder.userDatabase());
    db::Transaction transaction(&check);
    db::Query query(&check, &transaction);
    query.add(QStringLiteral("SELECT HANDLEFINESTRA FROM NORVILOGFUNZ WHERE IDFINESTRA = 31"));
    query.open();
    ASSERT_EQ(query.recordCount(), 1);
    EXPECT_EQ(query.asInteger(0), kModuleWindowHandle);
    EXPECT_TRUE(folder.messages.boxes().empty());
}

TEST_F(EntryPointsTest, ABareWindowsNameIsFoundInTheProgramFolderAndStaysLoaded)
{
    // The module a menu item names "Modulo.dll", installed in the program folder as the shared
    // object of that name.
    const QString installed = folder.file(QFileInfo(QString::fromUtf8(kTestModuleWinFile)).fileName());
    ASSERT_TRUE(QFileInfo(installed).fileName() == QLatin1String("libModulo.so"));
    ASSERT_TRUE(copyModule(QString::fromUtf8(kTestModuleWinFile), installed));
    ASSERT_FALSE(DynamicLibrary::isLoaded(installed));

    window->tabX()->NumUser = 5;
    window->CaricaFunzioneDLL(QStringLiteral("Modulo.dll"), QStringLiteral("ApriUno"));
    window->CaricaFunzioneDLLX(QStringLiteral("Modulo.dll"), QStringLiteral("ApriFinestraX"), 11);
    window->CaricaFunzioneDLL(QStringLiteral("Modulo.dll"), QStringLiteral("ApriUno"));

    EXPECT_EQ(DynamicLibrary::loadCount(installed), 1);
    const ModuleRecord* r = recordOf(installed);
    ASSERT_NE(r, nullptr);
    // The module's state lived on between the calls, so it was never released in between.
    EXPECT_EQ(r->calls, 3);
    EXPECT_EQ(r->last.function, "ApriUno");
    EXPECT_EQ(r->last.numUser, 5);
    // The build's own copy of the module was not the one reached.
    EXPECT_EQ(record().calls, 0);
    EXPECT_TRUE(folder.messages.boxes().empty());
}

TEST_F(EntryPointsTest, ANameWithAFolderIsLoadedFromThatFolderBelowTheProgramFolder)
{
    // A copy in the program folder under the same name must not be the one reached.
    const QString built = QString::fromUtf8(kTestModuleWinFile);
    ASSERT_TRUE(copyModule(built, folder.file(QStringLiteral("libModulo.so"))));
    const QString inItsFolder = folder.file(QStringLiteral("moduli/libModulo.so"));
    ASSERT_TRUE(copyModule(built, inItsFolder));

    window->tabX()->NumUser = 9;
    window->CaricaFunzioneDLLX(QStringLiteral("moduli\\Modulo.dll"), QStringLiteral("ApriFinestraX"), 12);

    const ModuleRecord* r = recordOf(inItsFolder);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->last.function, "ApriFinestraX");
    EXPECT_EQ(r->last.idFinestra, 12);
    EXPECT_FALSE(DynamicLibrary::isLoaded(folder.file(QStringLiteral("libModulo.so"))));
}

} // namespace
