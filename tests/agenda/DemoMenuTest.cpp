// The demo a user sees starts real windows: every leaf and every quick item of the demo's menus
// names a library the program ships and a function that library exports, in a form that library
// is declared for.
#include "data/SchemaInstaller.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "platform/DynamicLibrary.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace velkora;
using velkora::test::ProgramFolder;

namespace {

TEST(DemoMenu, EveryLeafAndQuickItemOpensAFunctionOfAShippedLibrary)
{
    ProgramFolder folder;
    folder.makeFolder(QStringLiteral("user"));
    // The program folder as the install lays it out: the agenda, the customer module and the
    // items module are the module libraries it ships.
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELKORA_RUBRIVO_FILE), folder.file(QStringLiteral("libRubrivo.so"))));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELKORA_ANAGRAFI_FILE), folder.file(QStringLiteral("libAnagrafi.so"))));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELKORA_ARTICOLI_FILE), folder.file(QStringLiteral("libArticoli.so"))));
    data::SchemaInstaller::createDatabase(folder.userDatabase(), data::SchemaInstaller::userSchemaSql()
                                                                     + data::SchemaInstaller::demoSql());
    db::Database database;
    test::attach(database, folder.userDatabase());
    db::Transaction transaction(&database);
    db::Query query(&database, &transaction);
    // Leaves are the entries without children that are not separators; quick items count
    // whatever their place in the tree.
    query.add(QStringLiteral("SELECT M.PROGRAMMA, M.MENU, M.DLL, M.FUNZIONE, M.LIVELLO2VERSIONE FROM DETTMENU M"));
    query.add(QStringLiteral("WHERE M.VOCERAPIDA = '1' OR (M.DESCRIZIONE <> '-' AND NOT EXISTS ("));
    query.add(QStringLiteral("SELECT 1 FROM DETTMENU C WHERE C.PROGRAMMA = M.PROGRAMMA AND C.MENUPREC = M.MENU))"));
    query.open();
    int items = 0;
    for (query.first(); !query.eof(); query.next(), ++items) {
        SCOPED_TRACE(("programma " + query.asString(0) + " menu " + query.asString(1)).toStdString());
        const QString dll = query.asString(2);
        const QString funzione = query.asString(3);
        ASSERT_FALSE(dll.isEmpty());
        ASSERT_FALSE(funzione.isEmpty());
        const platform::DynamicLibrary::Handle library = platform::DynamicLibrary::load(dll, folder.path());
        ASSERT_NE(library, nullptr) << dll.toStdString() << " is not in the program folder";
        EXPECT_NE(platform::DynamicLibrary::function(library, funzione), nullptr)
            << funzione.toStdString() << " is not exported by " << dll.toStdString();
        // In mode 2 a function ending in X receives the parameter text before the window id;
        // the agenda's X function takes the window id second, so it may only be reached in mode 1.
        if (funzione.endsWith(QLatin1Char('X'))) {
            EXPECT_NE(query.asString(4), QStringLiteral("1"));
        }
    }
    EXPECT_GT(items, 0);
    transaction.rollback();
    database.detach();
}

} // namespace
