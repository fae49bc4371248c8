// The SQL literal helpers on the real engine: every value, however hostile, comes back from the
// engine exactly as it went in and changes nothing else.

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

using namespace velkora::db;

namespace {

const QStringList kCreateLines = {
    QStringLiteral("USER ") + quotedIdentifier(QStringLiteral("SYSDBA")),
    QStringLiteral("PASSWORD ") + quotedIdentifier(QStringLiteral("quillbark")),
    QStringLiteral("PAGE_SIZE 4096")};

class SqlTextEngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        db.setDatabaseName(dir.filePath(QStringLiteral("t.fdb")));
        db.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
        db.create(kCreateLines);
        db.executeImmediate(QStringLiteral("CREATE TABLE T (ID INTEGER, TESTO VARCHAR(32000))"));
        db.executeImmediate(QStringLiteral("CREATE TABLE UTENTI (CODICE INTEGER)"));
        db.executeImmediate(QStringLiteral("INSERT INTO UTENTI (CODICE) VALUES (1)"));
        tr.setDatabase(&db);
    }

    // The first column of the one row of a selection.
    QVariant one(const QString& sql)
    {
        Query q(&db, &tr);
        q.add(sql);
        q.open();
        EXPECT_EQ(q.recordCount(), 1) << sql.left(200).toStdString();
        return q.isEmpty() ? QVariant() : q.value(0);
    }

    qint64 count(const QString& table)
    {
        return one(QStringLiteral("SELECT COUNT(*) FROM ") + table).toLongLong();
    }

    QTemporaryDir dir;
    Database db;
    Transaction tr;
};

TEST_F(SqlTextEngineTest, QuotedTextComesBackUnchanged)
{
    QString nul = QStringLiteral("prima");
    nul += QChar(0);
    nul += QStringLiteral("' dopo; DELETE FROM UTENTI; --");
    const QString values[] = {
        QString(),
        QStringLiteral("L'Aquila"),
        QStringLiteral("'"),
        QStringLiteral("''"),
        QStringLiteral("'; DELETE FROM UTENTI; --"),
        QStringLiteral("x' OR '1'='1"),
        QStringLiteral("a\"b\" -- /* :P ;"),
        QString::fromUtf8("Perché città ´ € à"),
        QString(1, QChar(0)),
        nul,
        QString(16000, QLatin1Char('\'')),
        QString(32000, QLatin1Char('x')),
    };
    int id = 0;
    for (const QString& value : values) {
        SCOPED_TRACE(value.left(40).toStdString());
        ++id;
        // As a value stored, as a value compared and as a value selected.
        Query q(&db, &tr);
        q.add(QStringLiteral("INSERT INTO T (ID, TESTO) VALUES (") + quotedInt(id) +
              QLatin1Char(','));
        q.add(quoted(value) + QLatin1Char(')'));
        q.execSql();
        EXPECT_EQ(one(QStringLiteral("SELECT ID FROM T WHERE TESTO=") + quoted(value)).toLongLong(),
                  id);
        EXPECT_EQ(one(QStringLiteral("SELECT TESTO FROM T WHERE ID=") + quotedInt(id)).toString(),
                  value);
        EXPECT_EQ(one(QStringLiteral("SELECT OCTET_LENGTH(TESTO) FROM T WHERE ID=") + quotedInt(id))
                      .toLongLong(),
                  value.size());
        EXPECT_EQ(
            one(QStringLiteral("SELECT ") + quoted(value) + QStringLiteral(" FROM RDB$DATABASE"))
                .toString(),
            value);
    }
    EXPECT_EQ(count(QStringLiteral("T")), id);
    EXPECT_EQ(count(QStringLiteral("UTENTI")), 1);
}

TEST_F(SqlTextEngineTest, QuotedIntegersDatesAndTimesReadAsTheirValues)
{
    for (const qint64 n : {qint64(0), qint64(12), qint64(-5), std::numeric_limits<qint64>::max(),
                           std::numeric_limits<qint64>::min()}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(one(QStringLiteral("SELECT CAST(") + quotedInt(n) +
                      QStringLiteral(" AS BIGINT) FROM RDB$DATABASE"))
                      .toLongLong(),
                  n);
        EXPECT_EQ(one(QStringLiteral("SELECT ") + integerLiteral(n) +
                      QStringLiteral(" FROM RDB$DATABASE"))
                      .toLongLong(),
                  n);
    }
    // The suite compares integer columns with quoted decimal text.
    EXPECT_EQ(one(QStringLiteral("SELECT COUNT(*) FROM UTENTI WHERE CODICE=") + quotedInt(1))
                  .toLongLong(),
              1);
    EXPECT_EQ(quotedInt(12), QStringLiteral("'12'"));

    for (const QDate& d : {QDate(2006, 3, 3), QDate(2024, 2, 29), QDate(2024, 12, 31),
                           QDate(1, 1, 1), QDate(9999, 12, 31)}) {
        SCOPED_TRACE(d.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(one(QStringLiteral("SELECT CAST(") + quotedDate(d) +
                      QStringLiteral(" AS DATE) FROM RDB$DATABASE"))
                      .toDate(),
                  d);
    }
    EXPECT_EQ(quotedDate(QDate(2006, 3, 4)), QStringLiteral("'03/04/2006'"));
    for (const QTime& t :
         {QTime(0, 0, 0), QTime(9, 5, 4), QTime(23, 59, 59), QTime(12, 30, 15, 999)}) {
        SCOPED_TRACE(t.toString().toStdString());
        EXPECT_EQ(one(QStringLiteral("SELECT CAST(") + quotedTime(t) +
                      QStringLiteral(" AS TIME) FROM RDB$DATABASE"))
                      .toTime(),
                  QTime(t.hour(), t.minute(), t.second()));
    }
    EXPECT_EQ(quotedTime(QTime(9, 5, 4)), QStringLiteral("'09:05:04'"));
}

TEST_F(SqlTextEngineTest, QuotedIdentifiersNameExactlyTheirObject)
{
    const QString names[] = {
        QStringLiteral("Minuscolo"),
        QStringLiteral("A\"B"),
        QStringLiteral("\""),
        QStringLiteral("'; DELETE FROM UTENTI; --"),
        QStringLiteral("X\" (Y INTEGER); --"),
        QStringLiteral("con spazio"),
    };
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        db.executeImmediate(QStringLiteral("CREATE TABLE ") + quotedIdentifier(name) +
                            QStringLiteral(" (X INTEGER)"));
        Query q(&db, &tr);
        q.add(QStringLiteral("INSERT INTO ") + quotedIdentifier(name) +
              QStringLiteral(" (X) VALUES (7)"));
        q.execSql();
        EXPECT_EQ(one(QStringLiteral("SELECT X FROM ") + quotedIdentifier(name)).toLongLong(), 7);
        EXPECT_EQ(
            one(QStringLiteral("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME=") +
                quoted(name))
                .toLongLong(),
            1);
        tr.commit();
    }
    EXPECT_EQ(count(QStringLiteral("UTENTI")), 1);
    EXPECT_EQ(quotedIdentifier(QStringLiteral("STOPOS1")), QStringLiteral("\"STOPOS1\""));
}

TEST_F(SqlTextEngineTest, ZeroBytesInLongStatementsAreRefusedInsteadOfCut)
{
    // Beyond the client's 16-bit statement length the text is handed over up to its first zero
    // byte; with no zero byte it runs whole, with one it is refused with an Italian message.
    const QString part = QStringLiteral("CHAR_LENGTH(") + quoted(QString(30000, QLatin1Char('a'))) +
                         QLatin1Char(')');
    const QString whole = QStringLiteral("SELECT ") + part + QLatin1Char('+') + part +
                          QLatin1Char('+') + part + QStringLiteral(" FROM RDB$DATABASE");
    ASSERT_GT(whole.size(), 0xFFFF);
    EXPECT_EQ(one(whole).toLongLong(), 90000);

    Query q(&db, &tr);
    q.add(QStringLiteral("SELECT ") + part + QLatin1Char('+') + part + QLatin1Char('+') + part +
          QStringLiteral("+CHAR_LENGTH(") + quoted(QString(1, QChar(0))) +
          QStringLiteral(") FROM RDB$DATABASE"));
    try {
        q.open();
        FAIL() << "a long statement with a zero byte ran";
    } catch (const DbLogicError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("carattere nullo")))
            << e.what();
        // The box says the reason itself, not only its detail.
        EXPECT_TRUE(e.describe().message.contains(QStringLiteral("carattere nullo")))
            << e.describe().message.toStdString();
    }
}

} // namespace
