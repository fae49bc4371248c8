// A local database path that is not a regular file is refused before the engine sees it: the
// engine would open a device or a pipe as a database (and, run as root, change the node's
// permissions), or create a database at the target of a link that leads nowhere.

#include "db/Database.h"
#include "db/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace velkora::db;

namespace {

TEST(DatabasePath, PathsThatAreNoFileAreRefusedAndLeftAsTheyWere)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString cartella = dir.filePath(QStringLiteral("cartella"));
    ASSERT_TRUE(QDir().mkdir(cartella));
    const QString fifo = dir.filePath(QStringLiteral("tubo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0640), 0);
    const QString bersaglio = dir.filePath(QStringLiteral("altrove/nuovo.fdb"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(bersaglio).path()));
    const QString collegamento = dir.filePath(QStringLiteral("collegamento.fdb"));
    ASSERT_TRUE(QFile::link(bersaglio, collegamento));
    QStringList percorsi{cartella, fifo, collegamento};
    // A device node of its own (the null device's numbers), where the test may make one.
    const QString dispositivo = dir.filePath(QStringLiteral("nodo"));
    if (::mknod(QFile::encodeName(dispositivo).constData(), S_IFCHR | 0640, makedev(1, 3)) == 0)
        percorsi << dispositivo;

    for (const QString& percorso : percorsi) {
        SCOPED_TRACE(percorso.toStdString());
        struct stat prima = {};
        ::lstat(QFile::encodeName(percorso).constData(), &prima);
        for (const bool crea : {false, true}) {
            Database database;
            database.setDatabaseName(percorso);
            database.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
            try {
                if (crea)
                    database.create({QStringLiteral("PAGE_SIZE 4096")});
                else
                    database.attach();
                FAIL() << "accepted as a database";
            } catch (const DbError& e) {
                EXPECT_EQ(e.fileProblem(), DbError::FileProblem::NotAFile);
                EXPECT_EQ(e.describe().message,
                          QStringLiteral("Impossibile aprire il database \"%1\": il percorso non indica "
                                         "un file di dati (è una cartella, un dispositivo o un "
                                         "collegamento a un file che non esiste).")
                              .arg(percorso));
            }
            EXPECT_FALSE(database.attached());
        }
        struct stat dopo = {};
        ::lstat(QFile::encodeName(percorso).constData(), &dopo);
        EXPECT_EQ(dopo.st_mode, prima.st_mode) << "the path's permissions changed";
        EXPECT_EQ(dopo.st_uid, prima.st_uid);
    }
    EXPECT_FALSE(QFileInfo::exists(bersaglio)) << "a database was made at the link's target";
}

// A link to an existing database is followed to open it; a database is never created through one.
TEST(DatabasePath, ALinkOpensTheFileItLeadsToButNeverCreatesOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString vero = dir.filePath(QStringLiteral("vero.fdb"));
    {
        Database nuovo;
        nuovo.setDatabaseName(vero);
        nuovo.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
        nuovo.create({QStringLiteral("USER \"SYSDBA\""), QStringLiteral("PASSWORD \"quillbark\""),
                      QStringLiteral("PAGE_SIZE 4096")});
    }
    const QString collegamento = dir.filePath(QStringLiteral("collegamento.fdb"));
    ASSERT_TRUE(QFile::link(vero, collegamento));
    Database database;
    database.setDatabaseName(collegamento);
    database.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
    EXPECT_NO_THROW(database.attach());
    database.detach();
    EXPECT_THROW(database.create({QStringLiteral("PAGE_SIZE 4096")}), DbError);
}

} // namespace
