#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/QueryDataSet.h"
#include "db/UpdateSql.h"
#include "support/TestDatabase.h"
#include "db/SqlText.h"
#include "db/Transaction.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

#include <gtest/gtest.h>

using namespace velkora::db;

namespace {

const QStringList kCreateLines = {QStringLiteral("USER \"SYSDBA\""),
                                  QStringLiteral("PASSWORD \"quillbark\""),
                                  QStringLiteral("PAGE_SIZE 4096")};

// A fresh database with one small table, attached twice to model two workstations.
class DbLayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("t.fdb"));
        db.setDatabaseName(path);
        db.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
        db.create(kCreateLines);
        db.executeImmediate(QStringLiteral(
            "CREATE TABLE T (ID INTEGER, NOME VARCHAR(200), NOTE BLOB SUB_TYPE TEXT, GIORNO DATE, "
            "ORA TIME, IMPORTO NUMERIC(15,2), FLAG VARCHAR(5))"));
        db.executeImmediate(QStringLiteral("INSERT INTO T (ID, NOME) VALUES (1, 'uno')"));
        db.executeImmediate(QStringLiteral("INSERT INTO T (ID, NOME) VALUES (2, NULL)"));
        tr.setDatabase(&db);
    }

    QTemporaryDir dir;
    QString path;
    Database db;
    Transaction tr;
};

TEST_F(DbLayerTest, QueryReadsRowsByPositionAndNameWithNullAsEmptyAndZero)
{
    Query q(&db, &tr);
    q.add(QStringLiteral("SELECT ID, NOME, GIORNO FROM T"));
    q.add(QStringLiteral("ORDER BY ID"));
    q.open();
    ASSERT_EQ(q.recordCount(), 2);
    EXPECT_TRUE(tr.active()) << "the transaction starts on first use";
    EXPECT_EQ(q.asInteger(0), 1);
    EXPECT_EQ(q.asString(QStringLiteral("nome")), QStringLiteral("uno"));
    q.next();
    EXPECT_EQ(q.asString(QStringLiteral("NOME")), QString());
    EXPECT_TRUE(q.isNull(QStringLiteral("NOME")));
    EXPECT_EQ(q.asInteger(QStringLiteral("GIORNO")), 0);
    q.next();
    EXPECT_TRUE(q.eof());
    EXPECT_THROW(q.asString(0), DbLogicError);
    q.first();
    EXPECT_EQ(q.asString(QStringLiteral("ID")), QStringLiteral("1"));
    EXPECT_THROW(q.asString(QStringLiteral("MISSING")), DbLogicError);
}

TEST_F(DbLayerTest, LiteralConventionsAreAcceptedByTheEngine)
{
    // Integers as quoted decimal text, dates "mm/dd/yyyy", times "hh:nn:ss", flags "1".
    Query q(&db, &tr);
    q.add(QStringLiteral("INSERT INTO T (ID, GIORNO, ORA, IMPORTO, FLAG) VALUES ('7', ")
          + quotedDate(QDate(2006, 3, 4)) + QStringLiteral(", ") + quotedTime(QTime(17, 5, 9))
          + QStringLiteral(", '1234.5', '1')"));
    q.execSql();
    EXPECT_EQ(q.rowsAffected(), 1);
    q.clear();
    q.add(QStringLiteral("SELECT GIORNO, ORA, IMPORTO FROM T WHERE (ID='7') AND (FLAG='1')"));
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.value(0).toDate(), QDate(2006, 3, 4)) << "month first";
    EXPECT_EQ(q.asString(0), QStringLiteral("04/03/2006")) << "shown day first";
    EXPECT_EQ(q.asString(1), QStringLiteral("17:05:09"));
    EXPECT_EQ(q.asString(2), QStringLiteral("1234.50")) << "an amount with its column's decimals";
    EXPECT_EQ(dateText(QDate(2006, 3, 3)), QStringLiteral("03/03/2006"));
}

TEST_F(DbLayerTest, QuotedValuesCannotEndTheirLiteral)
{
    const QString hostile[] = {
        QStringLiteral("L'Aquila"),
        QStringLiteral("'; DELETE FROM T; --"),
        QStringLiteral("''"),
        QStringLiteral("x' OR '1'='1"),
        QString(),
        QString::fromUtf8("perché ´ € à"),
        QString(150, QLatin1Char('\'')),
    };
    Query q(&db, &tr);
    int id = 100;
    for (const QString& value : hostile) {
        SCOPED_TRACE(value.toStdString());
        q.clear();
        q.add(QStringLiteral("INSERT INTO T (ID, NOME) VALUES ('%1', ").arg(id) + quoted(value)
              + QStringLiteral(")"));
        q.execSql();
        q.clear();
        q.add(QStringLiteral("SELECT ID FROM T WHERE NOME=") + quoted(value));
        q.open();
        ASSERT_EQ(q.recordCount(), value.isEmpty() ? 1 : 1);
        EXPECT_EQ(q.asInteger(0), id);
        ++id;
    }
    q.clear();
    q.add(QStringLiteral("SELECT COUNT(*) FROM T"));
    q.open();
    EXPECT_EQ(q.asInteger(0), 2 + static_cast<int>(std::size(hostile)));
}

TEST_F(DbLayerTest, BlobTextAndEightBitTextSurviveUnchanged)
{
    // Several megabytes, both line ends and the characters of Windows-1252 above 127.
    QString big;
    const QString piece = QString::fromUtf8("Perché=città ´ €\r\nriga\n");
    while (big.size() < 3 * 1024 * 1024)
        big += piece;
    Query q(&db, &tr);
    q.add(QStringLiteral("UPDATE T SET NOTE=:NOTE, NOME=:NOME WHERE ID=1"));
    q.setParam(QStringLiteral("NOTE"), big);
    q.setParam(QStringLiteral("NOME"), piece);
    q.execSql();
    tr.commit();

    Query r(&db, &tr);
    r.add(QStringLiteral("SELECT NOTE, NOME, OCTET_LENGTH(NOME) FROM T WHERE ID=1"));
    r.open();
    EXPECT_EQ(r.asString(0), big);
    EXPECT_EQ(r.asString(1), piece);
    EXPECT_EQ(r.asInteger(2), piece.size()) << "one byte per character at the database";
    r.clear();
    r.add(QStringLiteral("SELECT ASCII_VAL(SUBSTRING(NOME FROM 14 FOR 1)) FROM T WHERE ID=1"));
    r.open();
    EXPECT_EQ(r.asInteger(0), 180) << "the acute accent is byte 180";
}

TEST_F(DbLayerTest, NullParametersAndReexecutionOfThePreparedText)
{
    Query q(&db, &tr);
    q.add(QStringLiteral("INSERT INTO T (ID, NOME, NOTE) VALUES (:ID, :NOME, :NOTE)"));
    for (int i = 10; i < 13; ++i) {
        q.setParam(QStringLiteral("ID"), i);
        q.setParam(QStringLiteral("NOME"), i == 11 ? QVariant() : QVariant(QStringLiteral("n%1").arg(i)));
        q.setParam(QStringLiteral("NOTE"), QVariant());
        q.execSql();
    }
    Query r(&db, &tr);
    r.add(QStringLiteral("SELECT ID, NOME FROM T WHERE ID>=10 AND NOME IS NULL"));
    r.open();
    ASSERT_EQ(r.recordCount(), 1);
    EXPECT_EQ(r.asInteger(0), 11);
    Query missing(&db, &tr);
    missing.add(QStringLiteral("SELECT ID FROM T WHERE ID=:X"));
    EXPECT_THROW(missing.open(), DbLogicError);
    // A colon inside a literal is text, not a parameter.
    Query literal(&db, &tr);
    literal.add(QStringLiteral("SELECT 'a:b' FROM RDB$DATABASE"));
    literal.open();
    EXPECT_EQ(literal.asString(0), QStringLiteral("a:b"));
}

TEST_F(DbLayerTest, ErrorsCarryTheEngineMessageAndCodes)
{
    Query q(&db, &tr);
    q.add(QStringLiteral("SELECT * FROM NESSUNA"));
    try {
        q.open();
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("NESSUNA"))) << e.what();
        EXPECT_EQ(e.sqlCode(), -204);
        EXPECT_FALSE(e.gdsCodes().empty());
        EXPECT_FALSE(e.isLockConflict());
    }
    Transaction bad(&db);
    bad.params() << QStringLiteral("isc_tpb_nonsense");
    EXPECT_THROW(bad.start(), DbLogicError);
}

TEST_F(DbLayerTest, TwoWorkstationsUpdatingOneRowGetALockConflictAtOnce)
{
    Database other;
    other.setDatabaseName(path);
    other.params() = db.params();
    other.attach();
    Transaction t1(&db), t2(&other);
    for (Transaction* t : {&t1, &t2})
        t->params() << QStringLiteral("isc_tpb_concurrency") << QStringLiteral("isc_tpb_nowait");
    Query q1(&db, &t1), q2(&other, &t2);
    q2.add(QStringLiteral("SELECT NOME FROM T WHERE ID=1")); // t2 starts before t1 changes the row
    q2.open();
    q1.add(QStringLiteral("UPDATE T SET NOME='a' WHERE ID=1"));
    q1.execSql();
    q2.clear();
    q2.add(QStringLiteral("UPDATE T SET NOME='b' WHERE ID=1"));
    try {
        q2.execSql();
        FAIL() << "the second update went through";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.isLockConflict()) << e.what();
    }
    // After commit, a restarted transaction sees the other workstation's change.
    t1.commit();
    t2.restart();
    q2.clear();
    q2.add(QStringLiteral("SELECT NOME FROM T WHERE ID=1"));
    q2.open();
    EXPECT_EQ(q2.asString(0), QStringLiteral("a"));
}

TEST_F(DbLayerTest, CreateNeverReplacesAnExistingFile)
{
    db.detach();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    f.close();
    Database again;
    again.setDatabaseName(path);
    EXPECT_THROW(again.create(kCreateLines), DbError);
    EXPECT_FALSE(again.attached());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256), before);
}

TEST_F(DbLayerTest, DetachEndsTransactionsAndQueriesSurviveAReattach)
{
    Query q(&db, &tr);
    q.add(QStringLiteral("SELECT COUNT(*) FROM T"));
    q.open();
    db.detach();
    EXPECT_FALSE(tr.active());
    EXPECT_THROW(q.open(), DbLogicError);
    db.attach();
    q.open();
    EXPECT_EQ(q.asInteger(0), 2);
}

// Statements and datasets that outlive their connection or their transaction, in whatever order
// a window destroys them: what was read stays readable, running again is refused with the layer's
// Italian message, and destroying them afterwards is harmless.
TEST_F(DbLayerTest, StatementsAndDatasetsOutlivingTheirConnectionAreRefusedNotACrash)
{
    enum class Goes { Database, Transaction };
    for (const Goes goes : {Goes::Database, Goes::Transaction}) {
        SCOPED_TRACE(goes == Goes::Database ? "database first" : "transaction first");
        auto database = std::make_unique<Database>();
        velkora::test::attach(*database, path);
        auto transaction = std::make_unique<Transaction>(database.get());
        Query query(database.get(), transaction.get());
        query.add(QStringLiteral("SELECT ID, NOME FROM T ORDER BY ID"));
        query.open();
        QueryDataSet dataset(database.get(), transaction.get());
        dataset.setSql({QStringLiteral("SELECT ID, NOME FROM T ORDER BY ID")});
        dataset.open();

        if (goes == Goes::Database) {
            transaction.reset();
            database.reset();
        } else {
            transaction.reset();
        }
        EXPECT_EQ(query.asString(QStringLiteral("NOME")), QStringLiteral("uno"));
        EXPECT_EQ(dataset.recordCount(), 2);
        try {
            query.open();
            ADD_FAILURE() << "a statement ran without its connection";
        } catch (const DbLogicError& e) {
            EXPECT_EQ(e.describe().message,
                      QStringLiteral("Il database non è collegato: l'operazione non può essere "
                                     "eseguita. Riavviare il programma quando il database è "
                                     "disponibile."));
        }
        dataset.edit();
        dataset.setField(QStringLiteral("NOME"), QStringLiteral("due"));
        EXPECT_THROW(dataset.post(), DbLogicError);
        EXPECT_THROW(dataset.open(), DbLogicError);
        // The database that is still there (the transaction went first) kept its row as it was.
        if (database) {
            EXPECT_EQ(velkora::test::rows(*database, QStringLiteral("SELECT NOME FROM T WHERE ID = 1")),
                      QStringList{QStringLiteral("uno")});
        }
    }
}

// A dataset with a page size reads only its first rows at open; walking, locating and writing
// read on as far as they need, and rows left unread when the transaction ends are refused, not
// silently missing.
TEST_F(DbLayerTest, ADatasetReadInPagesReadsOnAsFarAsItIsWalked)
{
    {
        Transaction scrittura(&db);
        Query q(&db, &scrittura);
        q.add(QStringLiteral("INSERT INTO T (ID, NOME) VALUES (:ID, :NOME)"));
        for (int i = 3; i <= 250; ++i) {
            q.setParam(QStringLiteral("ID"), i);
            q.setParam(QStringLiteral("NOME"), QStringLiteral("riga %1").arg(i));
            q.execSql();
        }
        scrittura.commit();
    }
    const auto apri = [this](QueryDataSet& ds) {
        ds.setPageSize(10);
        ds.setSql({QStringLiteral("SELECT ID, NOME FROM T ORDER BY ID")});
        ds.open();
        EXPECT_EQ(ds.recordCount(), 10);
        EXPECT_FALSE(ds.allFetched());
    };

    QueryDataSet walked(&db, &tr);
    apri(walked);
    int rows = 0;
    for (walked.first(); !walked.eof(); walked.next())
        ++rows;
    EXPECT_EQ(rows, 250);
    EXPECT_TRUE(walked.allFetched());

    QueryDataSet located(&db, &tr);
    apri(located);
    ASSERT_TRUE(located.locate(QStringLiteral("ID"), QStringLiteral("200")));
    EXPECT_EQ(located.asString(QStringLiteral("NOME")), QStringLiteral("riga 200"));
    EXPECT_FALSE(located.locate(QStringLiteral("ID"), QStringLiteral("999")));

    UpdateSql scritture;
    scritture.modifySql() = {QStringLiteral("UPDATE T SET NOME=:NOME WHERE ID=:OLD_ID")};
    QueryDataSet written(&db, &tr);
    written.setUpdateObject(&scritture);
    apri(written);
    written.edit();
    written.setField(QStringLiteral("NOME"), QStringLiteral("prima"));
    written.post();
    EXPECT_EQ(written.recordCount(), 250) << "a write reads every row first";
    tr.commit();

    QueryDataSet interrupted(&db, &tr);
    apri(interrupted);
    tr.commit();
    EXPECT_THROW(interrupted.fetchMore(10), DbLogicError);
    EXPECT_TRUE(interrupted.allFetched());
    EXPECT_EQ(interrupted.recordCount(), 10);
}

TEST(SqlText, PlainIdentifiers)
{
    struct Case
    {
        const char* name;
        bool plain;
    } cases[] = {{"CODICESESSIONENORVILOG", true}, {"GEN_1$", true}, {"", false},
                 {"1ABC", false}, {"A B", false}, {"X;DROP", false}, {"A'", false},
                 {"\xc3\xa8", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(isPlainIdentifier(QString::fromUtf8(c.name)), c.plain);
    }
}

// All files below a folder, relative to it.
QStringList filesBelow(const QString& folder)
{
    QStringList files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();)
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

TEST(DatabaseCreate, FolderNamesWithQuotesGetTheirDatabaseWhereNamed)
{
    const char* folders[] = {"l'ufficio", "cartella' --", "a''b", "x' PAGE_SIZE 16384 '",
                             "\"doppie\""};
    for (const char* name : folders) {
        SCOPED_TRACE(name);
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        const QString folder = root.filePath(QString::fromUtf8(name));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString file = QDir(folder).filePath(QStringLiteral("user.fdb"));
        Database database;
        database.setDatabaseName(file);
        database.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
        database.create(kCreateLines);
        EXPECT_TRUE(database.attached());
        database.executeImmediate(QStringLiteral("CREATE TABLE PROVA (X INTEGER)"));
        database.detach();
        EXPECT_EQ(filesBelow(root.path()),
                  QStringList{QString::fromUtf8(name) + QStringLiteral("/user.fdb")});
        Database again;
        again.setDatabaseName(file);
        again.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
        EXPECT_NO_THROW(again.attach());
    }
}

} // namespace
