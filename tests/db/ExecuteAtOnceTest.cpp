// A statement run at once (db::executeAtOnce) belongs to the transaction it is given: committed
// it is there for another attachment, rolled back it is not; a refused character stops it before
// it runs and an engine failure comes back as DbError.

#include "db/Database.h"
#include "db/DbError.h"
#include "db/ExecuteAtOnce.h"
#include "db/Transaction.h"
#include "support/TestDatabase.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velkora;

namespace {

class ExecuteAtOnceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_path = test::copyTemplate(m_dir.filePath(QStringLiteral("user.fdb")));
        ASSERT_FALSE(m_path.isEmpty());
        test::attach(m_database, m_path);
        test::attach(m_altra, m_path);
    }

    QStringList sessioni()
    {
        return test::rows(m_altra, QStringLiteral("SELECT CODICESESSIONE FROM NORVILOG ORDER BY 1"));
    }

    QTemporaryDir m_dir;
    QString m_path;
    db::Database m_database;
    db::Database m_altra;
};

TEST_F(ExecuteAtOnceTest, TheStatementIsPartOfTheTransactionItIsGiven)
{
    db::Transaction t(&m_database);
    const QString insert =
        QStringLiteral("INSERT INTO NORVILOG (CODICESESSIONE, CODICEUTENTE) VALUES (%1, 1)");
    db::executeAtOnce(m_database, t, insert.arg(7));
    EXPECT_TRUE(t.active());
    EXPECT_TRUE(t.wrote());
    t.rollback();
    EXPECT_TRUE(sessioni().isEmpty());

    db::executeAtOnce(m_database, t, insert.arg(8));
    t.commit();
    EXPECT_EQ(sessioni(), QStringList{QStringLiteral("8")});
}

TEST_F(ExecuteAtOnceTest, RefusedTextAndEngineFailuresRunNothing)
{
    db::Transaction t(&m_database);
    // A character Windows-1252 cannot hold: refused before the statement runs.
    EXPECT_THROW(db::executeAtOnce(m_database, t,
                                   QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE) "
                                                  "VALUES (9, '\u4e2d')")),
                 db::DbLogicError);
    EXPECT_FALSE(t.active());
    EXPECT_THROW(db::executeAtOnce(m_database, t, QStringLiteral("INSERT INTO NESSUNA VALUES (1)")),
                 db::DbError);
    t.commit();
    EXPECT_TRUE(sessioni().isEmpty());

    db::Database staccato;
    EXPECT_THROW(db::executeAtOnce(staccato, t, QStringLiteral("DELETE FROM NORVILOG")),
                 db::DbLogicError);
}

} // namespace
