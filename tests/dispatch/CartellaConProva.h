#pragma once

#include "TestModulePaths.h"
#include "dispatch/ModuleAccess.h"
#include "platform/DynamicLibrary.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

namespace velkora::test {

// The opening of the tests that start the test module through the real dispatch: a program
// folder with a user database and a "Grafica" folder, the current directory, the test module
// copied in as "Prova.so" and loaded from there with its record cleared, and a second attachment
// of the user database (another workstation) through which the tests seed rows and read what was
// committed. A test's own SetUp calls this one first.
class CartellaConProva : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        folder.makeFolder(QStringLiteral("Grafica"));
        ASSERT_TRUE(copyModule(QString::fromUtf8(kTestModuleFile), moduleFile));
        ASSERT_NE(platform::DynamicLibrary::load(QStringLiteral("Prova.so"), folder.path()), nullptr);
        resetModule(moduleFile);
        attach(other, folder.userDatabase());
    }

    const ModuleRecord& record() const { return *recordOf(moduleFile); }

    ProgramFolder folder;
    CurrentDirectory cwd{folder.path()};
    db::Database other;
    const QString moduleFile = folder.file(QStringLiteral("Prova.so"));
};

} // namespace velkora::test
