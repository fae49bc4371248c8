#include "dispatch/ModuleAccess.h"
#include "platform/DynamicLibrary.h"
#include "support/ProgramFolder.h"
#include "TestModulePaths.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QtGlobal>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

using velkora::platform::DynamicLibrary;
using namespace velkora::test;

namespace {

// Two folders of copies of the test module: the program folder and another one, so a test can
// tell which copy a name reached. Every test makes its own copies, so what one test loads (and
// the loader keeps) never answers for another.
class DynamicLibraryTest : public ::testing::Test
{
protected:
    QString programFile(const QString& relative) const { return program.file(relative); }
    QString elsewhereFile(const QString& relative) const { return elsewhere.path() + QLatin1Char('/') + relative; }

    ProgramFolder program;
    QTemporaryDir elsewhere;
    const QString module = QString::fromUtf8(kTestModuleFile);
};

struct NameCase
{
    const char* what;
    // Copies of the module below the program folder ("p:") or the other folder ("e:").
    std::vector<const char*> copies;
    // The name as a menu item stores it; "<e>" stands for the other folder with its separator,
    // "<p>" for the program folder with its separator, "<E>" for the other folder's own name
    // (both folders lie in the same temporary folder).
    const char* name;
    // The copy it must reach, written as in copies; nullptr when nothing may load.
    const char* expected;
};

const NameCase kNameCases[] = {
    {"bare name as stored, in the program folder", {"p:Alfa.dll"}, "Alfa.dll", "p:Alfa.dll"},
    {"Windows name finds the shared object of its base name", {"p:Beta.so"}, "Beta.dll", "p:Beta.so"},
    {"'.dll' in any case, with the lib prefix", {"p:libGamma.so"}, "Gamma.DLL", "p:libGamma.so"},
    {"base.so before libbase.so", {"p:libDelta.so", "p:Delta.so"}, "Delta.dll", "p:Delta.so"},
    {"the name as stored before its shared objects", {"p:Eps.so", "p:Eps.dll"}, "Eps.dll", "p:Eps.dll"},
    {"no extension reads as '.dll'", {"p:libZeta.so"}, "Zeta", "p:libZeta.so"},
    {"another extension is not mapped", {"p:Eta.so"}, "Eta.bpl", nullptr},
    {"absolute path outside the program folder", {"p:Iota.so", "e:sub/Iota.so"}, "<e>sub/Iota.so", nullptr},
    {"absolute Windows name outside the program folder", {"p:libKappa.so", "e:libKappa.so"}, "<e>Kappa.dll",
     nullptr},
    {"absolute path into the program folder", {"p:Lambda.so"}, "<p>Lambda.so", nullptr},
    {"relative path below the program folder, backslashes", {"p:moduli/Mu.so"}, "moduli\\Mu.dll", "p:moduli/Mu.so"},
    {"relative path through '..' that stays inside", {"p:Pi.so"}, "moduli/../Pi.dll", "p:Pi.so"},
    {"'..' out of the program folder", {"e:Rho.so"}, "../<E>/Rho.so", nullptr},
    {"'..' out, Windows name and backslashes", {"e:libTau.so"}, "..\\<E>\\Tau.dll", nullptr},
    {"a bare name is not looked for in other folders", {"e:Nu.so"}, "Nu.dll", nullptr},
    {"a file that is no library", {}, "Xi.dll", nullptr},
    {"empty name", {}, "", nullptr},
    {"folder without file name", {"p:Omicron.so"}, "moduli/", nullptr},
};

TEST_F(DynamicLibraryTest, NamesReachTheFileTheFolderRulesSay)
{
    // A text file under a library name is skipped like a missing one.
    QFile notALibrary(programFile(QStringLiteral("Xi.dll")));
    ASSERT_TRUE(notALibrary.open(QIODevice::WriteOnly));
    notALibrary.write("not a library");
    notALibrary.close();

    auto place = [&](const char* copy) {
        const QString where = QString::fromUtf8(copy);
        const QString relative = where.mid(2);
        return where.startsWith(QLatin1String("p:")) ? programFile(relative) : elsewhereFile(relative);
    };
    for (const NameCase& c : kNameCases) {
        SCOPED_TRACE(c.what);
        for (const char* copy : c.copies)
            ASSERT_TRUE(copyModule(module, place(copy)));
        QString name = QString::fromUtf8(c.name);
        name.replace(QLatin1String("<e>"), elsewhere.path() + QLatin1Char('/'));
        name.replace(QLatin1String("<p>"), program.path());
        name.replace(QLatin1String("<E>"), QFileInfo(elsewhere.path()).fileName());

        DynamicLibrary::Handle library = DynamicLibrary::load(name, program.path());
        if (!c.expected) {
            EXPECT_EQ(library, nullptr) << DynamicLibrary::fileOf(library).toStdString();
            for (const char* copy : c.copies)
                EXPECT_FALSE(DynamicLibrary::isLoaded(place(copy))) << copy;
            continue;
        }
        ASSERT_NE(library, nullptr);
        EXPECT_EQ(DynamicLibrary::fileOf(library), QFileInfo(place(c.expected)).canonicalFilePath());
        EXPECT_TRUE(DynamicLibrary::isLoaded(place(c.expected)));
        for (const char* copy : c.copies) {
            if (std::string_view(copy) != c.expected) {
                EXPECT_FALSE(DynamicLibrary::isLoaded(place(copy))) << copy << " must not load";
            }
        }
    }
}

TEST_F(DynamicLibraryTest, ABareNameNeverReachesTheSystemSearch)
{
    // The C math library is on the system's search path under this name, but a module name only
    // ever means a file of the program folder.
    EXPECT_EQ(DynamicLibrary::load(QStringLiteral("libm.so.6"), program.path()), nullptr);
    EXPECT_EQ(DynamicLibrary::load(QStringLiteral("libz.so.1"), program.path()), nullptr);
    EXPECT_EQ(DynamicLibrary::load(QStringLiteral("libm.so.6"), QString()), nullptr) << "no program folder";

    // A file of that name in the program folder is the one loaded.
    ASSERT_TRUE(copyModule(module, programFile(QStringLiteral("libm.so.6"))));
    DynamicLibrary::Handle local = DynamicLibrary::load(QStringLiteral("libm.so.6"), program.path());
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(DynamicLibrary::fileOf(local), QFileInfo(programFile(QStringLiteral("libm.so.6"))).canonicalFilePath());
    EXPECT_NE(DynamicLibrary::function(local, QString::fromUtf8(kModuleRecordExport)), nullptr);
}

// Collects what the program writes to its warning output while it lives.
class WarningCapture
{
public:
    WarningCapture()
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&WarningCapture::handler);
    }
    ~WarningCapture()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    QStringList warnings;

private:
    static void handler(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (s_current && type == QtWarningMsg)
            s_current->warnings << text;
    }
    static inline WarningCapture* s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
};

TEST_F(DynamicLibraryTest, ALinkOutOfTheProgramFolderIsRefusedAndEveryRefusalIsAWarning)
{
    const QString outside = elsewhereFile(QStringLiteral("libFuori.so"));
    ASSERT_TRUE(copyModule(module, outside));
    ASSERT_TRUE(QFile::link(outside, programFile(QStringLiteral("libFuori.so"))));
    // A link that stays inside is followed.
    ASSERT_TRUE(copyModule(module, programFile(QStringLiteral("moduli/libDentro.so"))));
    ASSERT_TRUE(QFile::link(programFile(QStringLiteral("moduli/libDentro.so")), programFile(QStringLiteral("libDentro.so"))));

    struct Refusal
    {
        QString name;
        bool warned;
    } const refusals[] = {
        {QStringLiteral("Fuori.dll"), true},
        {QStringLiteral("libFuori.so"), true},
        {outside, true},
        {QStringLiteral("../") + QFileInfo(elsewhere.path()).fileName() + QStringLiteral("/libFuori.so"), true},
        // Simply missing: silent everywhere, also in the warning output.
        {QStringLiteral("Inesistente.dll"), false},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name.toStdString());
        WarningCapture capture;
        EXPECT_EQ(DynamicLibrary::load(r.name, program.path()), nullptr);
        EXPECT_FALSE(DynamicLibrary::isLoaded(outside));
        ASSERT_EQ(capture.warnings.size(), r.warned ? 1 : 0) << capture.warnings.join(QLatin1Char('\n')).toStdString();
        if (r.warned)
            EXPECT_TRUE(capture.warnings.at(0).contains(r.name)) << capture.warnings.at(0).toStdString();
    }

    DynamicLibrary::Handle inside = DynamicLibrary::load(QStringLiteral("Dentro.dll"), program.path());
    ASSERT_NE(inside, nullptr);
    EXPECT_EQ(DynamicLibrary::fileOf(inside), QFileInfo(programFile(QStringLiteral("moduli/libDentro.so"))).canonicalFilePath());
}

// A library file that is there but cannot be loaded: the user sees nothing, as for a missing
// module, and the warning output names the library and gives the loader's reason.
TEST_F(DynamicLibraryTest, ALibraryThatCannotBeLoadedIsAWarningWithTheLoadersReason)
{
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(kTestModuleUnresolvedFile),
                            programFile(QStringLiteral("libIrrisolto.so"))));
    QFile testo(programFile(QStringLiteral("libTesto.so")));
    ASSERT_TRUE(testo.open(QIODevice::WriteOnly));
    testo.write("non sono una libreria\n");
    testo.close();
    struct Caso
    {
        QString name;
        QString reason;
    } const casi[] = {
        {QStringLiteral("Irrisolto.dll"), QStringLiteral("undefined symbol: velkora_funzione_assente")},
        {QStringLiteral("Testo.dll"), QStringLiteral("libTesto.so")},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.name.toStdString());
        WarningCapture capture;
        EXPECT_EQ(DynamicLibrary::load(c.name, program.path()), nullptr);
        ASSERT_EQ(capture.warnings.size(), 1) << capture.warnings.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(capture.warnings.at(0).startsWith(QStringLiteral("Libreria \"") + c.name))
            << capture.warnings.at(0).toStdString();
        EXPECT_TRUE(capture.warnings.at(0).contains(c.reason)) << capture.warnings.at(0).toStdString();
    }
}

TEST_F(DynamicLibraryTest, ALibraryIsLoadedOnceUnderAnyOfItsNames)
{
    const QString file = programFile(QStringLiteral("libOmega.so"));
    ASSERT_TRUE(copyModule(module, file));

    DynamicLibrary::Handle first = DynamicLibrary::load(QStringLiteral("Omega.dll"), program.path());
    ASSERT_NE(first, nullptr);
    const QString names[] = {QStringLiteral("Omega.dll"), QStringLiteral("Omega.Dll"), QStringLiteral("Omega"),
                             QStringLiteral("libOmega.so"), QStringLiteral("./libOmega.so"),
                             QStringLiteral("moduli/../libOmega.so")};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(DynamicLibrary::load(name, program.path()), first);
    }
    EXPECT_EQ(DynamicLibrary::loadCount(file), 1);
    EXPECT_TRUE(DynamicLibrary::isLoaded(file));
}

TEST_F(DynamicLibraryTest, UnloadReleasesTheLibraryAndALaterLoadBringsItInAnew)
{
    const QString file = programFile(QStringLiteral("Vorp.so"));
    ASSERT_TRUE(copyModule(module, file));
    DynamicLibrary::Handle library = DynamicLibrary::load(QStringLiteral("Vorp.dll"), program.path());
    ASSERT_NE(library, nullptr);
    const auto apri = reinterpret_cast<void (*)(std::int32_t)>(DynamicLibrary::function(library, QStringLiteral("ApriUno")));
    ASSERT_NE(apri, nullptr);
    apri(1);
    ASSERT_EQ(recordOf(file)->calls, 1);

    EXPECT_TRUE(DynamicLibrary::unload(library));
    EXPECT_FALSE(DynamicLibrary::isLoaded(file));
    EXPECT_EQ(DynamicLibrary::fileOf(library), QString());
    EXPECT_FALSE(DynamicLibrary::unload(library)) << "a handle the loader no longer holds";
    EXPECT_FALSE(DynamicLibrary::unload(nullptr));

    ASSERT_NE(DynamicLibrary::load(QStringLiteral("Vorp.dll"), program.path()), nullptr);
    EXPECT_EQ(DynamicLibrary::loadCount(file), 2);
    // The module's state went with the library: it starts from scratch.
    EXPECT_EQ(recordOf(file)->calls, 0);
}

TEST_F(DynamicLibraryTest, OnlyTheLibrarysOwnExportsUnderTheirExactNameAreFound)
{
    const QString file = programFile(QStringLiteral("Sigma.so"));
    ASSERT_TRUE(copyModule(module, file));
    DynamicLibrary::Handle library = DynamicLibrary::load(QStringLiteral("Sigma.so"), program.path());
    ASSERT_NE(library, nullptr);

    struct Lookup
    {
        const char* name;
        bool found;
    } lookups[] = {
        {"ApriFinestraX", true},
        {"apriminuscolox", true},
        {"ApriMinuscoloX", false},
        {"APRIFINESTRAX", false},
        {"aprifinestrax", false},
        {"ApriFinestraX ", false},
        {"ApriNascostoX", false}, // in the library, not exported
        {"strlen", false},        // exported by the C library the module depends on
        {"", false},
    };
    for (const Lookup& l : lookups) {
        SCOPED_TRACE(l.name);
        EXPECT_EQ(DynamicLibrary::function(library, QString::fromUtf8(l.name)) != nullptr, l.found);
    }
    // A null handle names no library; it must not search the whole program.
    EXPECT_EQ(DynamicLibrary::function(nullptr, QStringLiteral("strlen")), nullptr);
}

} // namespace
