#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/QueryDataSet.h"
#include "db/Transaction.h"
#include "db/UpdateSql.h"
#include "support/TestDatabase.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velkora;
using db::QueryDataSet;
using db::UpdateSql;

namespace {

// A user database with two contacts, and a dataset over them whose holder writes NOME and
// TELEFONO back by key.
class QueryDataSetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const QString path = test::copyTemplate(dir.filePath(QStringLiteral("user.fdb")));
        ASSERT_FALSE(path.isEmpty());
        test::attach(database, path);
        test::exec(database, QStringLiteral("INSERT INTO RUBRICA (CODICE, UTENTE, NOME, TELEFONO) "
                                            "VALUES (1, 7, 'Anna', '111')"));
        test::exec(database, QStringLiteral("INSERT INTO RUBRICA (CODICE, UTENTE, NOME, TELEFONO) "
                                            "VALUES (2, 7, 'Bruno', '222')"));
        holder.modifySql() = {QStringLiteral("UPDATE RUBRICA SET"),
                              QStringLiteral("NOME=:NOME, TELEFONO=:TELEFONO"),
                              QStringLiteral("WHERE CODICE=:CODICE")};
        holder.insertSql() = {QStringLiteral("INSERT INTO RUBRICA (CODICE, UTENTE, NOME, TELEFONO)"),
                              QStringLiteral("VALUES (:CODICE, :UTENTE, :NOME, :TELEFONO)")};
        data.setSql({QStringLiteral("SELECT CODICE, UTENTE, NOME, TELEFONO, EMAIL FROM RUBRICA"),
                     QStringLiteral("ORDER BY CODICE")});
        data.setUpdateObject(&holder);
    }

    // The stored contacts as "code:name:phone", read in a transaction of their own after the
    // dataset's transaction has been committed, so only committed rows count.
    QStringList stored()
    {
        db::Transaction reader(&database);
        db::Query q(&database, &reader);
        q.add(QStringLiteral("SELECT CODICE, NOME, TELEFONO, EMAIL FROM RUBRICA ORDER BY CODICE"));
        q.open();
        QStringList out;
        for (; !q.eof(); q.next())
            out << q.asString(0) + u':' + q.asString(1) + u':' + q.asString(2)
                    + (q.isNull(3) ? QString() : u':' + q.asString(3));
        return out;
    }

    QTemporaryDir dir;
    db::Database database;
    db::Transaction transaction{&database};
    UpdateSql holder; // declared before the dataset, so the dataset goes first
    QueryDataSet data{&database, &transaction};
};

TEST_F(QueryDataSetTest, OpenReadsRowsAndFieldsByNameWithNullAsEmptyAndZero)
{
    data.open();
    EXPECT_EQ(data.state(), QueryDataSet::State::Browse);
    ASSERT_EQ(data.recordCount(), 2);
    EXPECT_EQ(data.fieldName(2), QStringLiteral("NOME"));
    EXPECT_EQ(data.asInteger(QStringLiteral("codice")), 1);
    EXPECT_EQ(data.asString(QStringLiteral("Nome")), QStringLiteral("Anna"));
    EXPECT_TRUE(data.isNull(QStringLiteral("EMAIL")));
    EXPECT_EQ(data.asString(QStringLiteral("EMAIL")), QString());
    EXPECT_EQ(data.asInteger(QStringLiteral("EMAIL")), 0);
    data.next();
    EXPECT_EQ(data.asString(QStringLiteral("NOME")), QStringLiteral("Bruno"));
    data.next();
    EXPECT_TRUE(data.eof());
    EXPECT_THROW(data.value(QStringLiteral("NOME")), db::DbLogicError);
    data.first();
    EXPECT_THROW(data.value(QStringLiteral("MANCANTE")), db::DbLogicError);
}

TEST_F(QueryDataSetTest, EditPostRewritesOnlyThatRowAndTheCacheShowsThePostedValues)
{
    // An apostrophe and text outside ASCII (Windows-1252 in the database) must survive binding;
    // a statement-closing value must stay a value.
    const QString name = QStringLiteral("D'Amico Niccolò €");
    const QString phone = QStringLiteral("'; DELETE FROM RUBRICA; --");
    data.open();
    data.next();
    data.edit();
    EXPECT_EQ(data.state(), QueryDataSet::State::Edit);
    data.setField(QStringLiteral("NOME"), name);
    data.setField(QStringLiteral("telefono"), phone);
    EXPECT_EQ(data.asString(QStringLiteral("NOME")), name) << "reads show the buffer while editing";
    data.post();

    EXPECT_EQ(data.state(), QueryDataSet::State::Browse);
    EXPECT_EQ(data.rowsAffected(), 1);
    EXPECT_EQ(data.recordCount(), 2);
    EXPECT_EQ(data.row(), 1);
    EXPECT_EQ(data.asString(QStringLiteral("NOME")), name);
    transaction.commit();
    EXPECT_EQ(stored(), (QStringList{QStringLiteral("1:Anna:111"), QStringLiteral("2:") + name + u':' + phone}));
}

TEST_F(QueryDataSetTest, AppendPostInsertsARowThatBecomesCurrentWithUnsetFieldsNull)
{
    data.open();
    data.append();
    EXPECT_EQ(data.state(), QueryDataSet::State::Insert);
    EXPECT_TRUE(data.isNull(QStringLiteral("CODICE")));
    data.setField(QStringLiteral("CODICE"), 3);
    data.setField(QStringLiteral("UTENTE"), 7);
    data.setField(QStringLiteral("NOME"), QStringLiteral("Carla"));
    data.post();

    EXPECT_EQ(data.rowsAffected(), 1);
    ASSERT_EQ(data.recordCount(), 3);
    EXPECT_EQ(data.row(), 2);
    EXPECT_EQ(data.asInteger(QStringLiteral("CODICE")), 3);
    EXPECT_TRUE(data.isNull(QStringLiteral("TELEFONO")));
    transaction.commit();
    EXPECT_EQ(stored(), (QStringList{QStringLiteral("1:Anna:111"), QStringLiteral("2:Bruno:222"),
                                     QStringLiteral("3:Carla:")}));
}

TEST_F(QueryDataSetTest, AppendOnAnEmptyResultPostsTheFirstRow)
{
    data.setSql({QStringLiteral("SELECT CODICE, UTENTE, NOME, TELEFONO FROM RUBRICA WHERE UTENTE=:U")});
    data.setParam(QStringLiteral("U"), 99);
    data.open();
    ASSERT_TRUE(data.isEmpty());
    EXPECT_THROW(data.edit(), db::DbLogicError) << "nothing to edit";
    data.append();
    data.setField(QStringLiteral("CODICE"), 5);
    data.setField(QStringLiteral("UTENTE"), 99);
    data.post();
    EXPECT_EQ(data.recordCount(), 1);
    EXPECT_EQ(data.asInteger(QStringLiteral("UTENTE")), 99);
}

TEST_F(QueryDataSetTest, CancelDropsTheBufferAndWritesNothing)
{
    struct Case
    {
        const char* name;
        bool append;
    };
    const Case cases[] = {{"edit", false}, {"append", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        data.open();
        data.next();
        if (c.append) {
            data.append();
            data.setField(QStringLiteral("CODICE"), 9);
        } else {
            data.edit();
        }
        data.setField(QStringLiteral("NOME"), QStringLiteral("Zeno"));
        data.cancel();
        EXPECT_EQ(data.state(), QueryDataSet::State::Browse);
        EXPECT_EQ(data.recordCount(), 2);
        EXPECT_EQ(data.row(), 1);
        EXPECT_EQ(data.asString(QStringLiteral("NOME")), QStringLiteral("Bruno"));
        data.post(); // nothing left to post
        transaction.commit();
        EXPECT_EQ(stored(), (QStringList{QStringLiteral("1:Anna:111"), QStringLiteral("2:Bruno:222")}));
    }
}

TEST_F(QueryDataSetTest, OldValuesFindARowWhoseKeyChanged)
{
    holder.modifySql() = {QStringLiteral("UPDATE RUBRICA SET CODICE=:CODICE, NOME=:NOME"),
                          QStringLiteral("WHERE CODICE=:OLD_CODICE")};
    data.open();
    data.edit();
    data.setField(QStringLiteral("CODICE"), 10);
    data.setField(QStringLiteral("NOME"), QStringLiteral("Anna Maria"));
    data.post();
    EXPECT_EQ(data.rowsAffected(), 1);
    transaction.commit();
    EXPECT_EQ(stored(), (QStringList{QStringLiteral("2:Bruno:222"), QStringLiteral("10:Anna Maria:111")}));
}

TEST_F(QueryDataSetTest, PostWithoutAStatementIsAClearErrorAndKeepsTheBuffer)
{
    struct Case
    {
        const char* name;
        bool attach;
        bool append;
        const char* mentions;
    };
    const Case cases[] = {
        {"no holder, edited row", false, false, "holder"},
        {"no holder, appended row", false, true, "holder"},
        {"empty modify statement", true, false, "modify"},
        {"empty insert statement", true, true, "insert"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateSql empty;
        data.setUpdateObject(c.attach ? &empty : nullptr);
        data.open();
        if (c.append)
            data.append();
        else
            data.edit();
        data.setField(QStringLiteral("NOME"), QStringLiteral("Zeno"));
        try {
            data.post();
            ADD_FAILURE() << "post ran without a statement";
        } catch (const db::DbLogicError& e) {
            EXPECT_NE(std::string(e.what()).find(c.mentions), std::string::npos) << e.what();
        }
        EXPECT_EQ(data.state(), c.append ? QueryDataSet::State::Insert : QueryDataSet::State::Edit);
        EXPECT_EQ(data.asString(QStringLiteral("NOME")), QStringLiteral("Zeno"));
        data.close();
    }
}

TEST_F(QueryDataSetTest, AFailedPostRaisesTheDatabaseErrorAndStaysInInsert)
{
    data.open();
    data.append();
    data.setField(QStringLiteral("CODICE"), 1); // the primary key of Anna
    data.setField(QStringLiteral("NOME"), QStringLiteral("Doppione"));
    EXPECT_THROW(data.post(), db::DbError);
    EXPECT_EQ(data.state(), QueryDataSet::State::Insert);
    EXPECT_EQ(data.recordCount(), 2) << "a failed row must not enter the cache";

    // Fixing the value and posting again works.
    data.setField(QStringLiteral("CODICE"), 4);
    data.post();
    EXPECT_EQ(data.recordCount(), 3);
}

TEST_F(QueryDataSetTest, MovingWhileEditingIsRefused)
{
    data.open();
    data.edit();
    EXPECT_THROW(data.next(), db::DbLogicError);
    EXPECT_THROW(data.append(), db::DbLogicError);
    data.cancel();
    EXPECT_NO_THROW(data.next());
}

TEST_F(QueryDataSetTest, LocateFindsTheExactTextOfAFieldOnly)
{
    data.open();
    data.next();
    const struct
    {
        const char* field;
        QString text;
        bool found;
        int row;
    } cases[] = {
        {"CODICE", QStringLiteral("1"), true, 0},
        {"nome", QStringLiteral("Bruno"), true, 1},
        {"NOME", QStringLiteral("bruno"), false, 1}, // case counts
        {"NOME", QStringLiteral("Brun"), false, 1},
        {"EMAIL", QString(), true, 0},               // NULL reads as the empty text
        {"CODICE", QStringLiteral("1 OR 1=1"), false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.text.toStdString());
        EXPECT_EQ(data.locate(QLatin1String(c.field), c.text), c.found);
        EXPECT_EQ(data.row(), c.row);
    }
    data.edit();
    EXPECT_THROW(data.locate(QStringLiteral("CODICE"), QStringLiteral("2")), db::DbLogicError);
}

TEST_F(QueryDataSetTest, ModifiedTellsAChangedBufferOnly)
{
    data.open();
    EXPECT_FALSE(data.modified());
    data.edit();
    EXPECT_FALSE(data.modified());
    data.setField(QStringLiteral("NOME"), QStringLiteral("Anna"));
    EXPECT_FALSE(data.modified()) << "the same value is no change";
    data.setField(QStringLiteral("NOME"), QStringLiteral("Annalisa"));
    EXPECT_TRUE(data.modified());
    data.cancel();
    data.append();
    EXPECT_FALSE(data.modified());
    data.setField(QStringLiteral("CODICE"), 9);
    EXPECT_TRUE(data.modified());
}

TEST_F(QueryDataSetTest, RemoveDeletesTheCurrentRowByItsReadValues)
{
    holder.deleteSql() = {QStringLiteral("DELETE FROM RUBRICA WHERE CODICE = :OLD_CODICE")};
    data.open();
    EXPECT_EQ(data.remove(), 1);
    EXPECT_EQ(data.recordCount(), 1);
    EXPECT_EQ(data.asString(QStringLiteral("NOME")), QStringLiteral("Bruno")) << "the next row is current";
    // The row is gone from the table meanwhile: nothing deleted, and the dataset drops it too.
    test::exec(database, QStringLiteral("DELETE FROM RUBRICA WHERE CODICE = 2"));
    transaction.commit();
    EXPECT_EQ(data.remove(), 0);
    EXPECT_TRUE(data.isEmpty());
    EXPECT_THROW(data.remove(), db::DbLogicError);
    EXPECT_TRUE(stored().isEmpty());

    // Without a delete statement: a clear error, the row stays.
    test::exec(database, QStringLiteral("INSERT INTO RUBRICA (CODICE, UTENTE, NOME) VALUES (3, 7, 'Carla')"));
    holder.deleteSql().clear();
    transaction.commit(); // a new snapshot sees the new row
    data.open();
    EXPECT_THROW(data.remove(), db::DbLogicError);
    EXPECT_EQ(data.recordCount(), 1);
}

TEST(QueryDataSetHolder, EitherSideMayGoFirst)
{
    {
        QueryDataSet data;
        {
            UpdateSql holder;
            data.setUpdateObject(&holder);
            EXPECT_EQ(holder.dataSet(), &data);
        }
        EXPECT_EQ(data.updateObject(), nullptr);
    }
    UpdateSql holder;
    {
        QueryDataSet first;
        QueryDataSet second;
        first.setUpdateObject(&holder);
        second.setUpdateObject(&holder);
        EXPECT_EQ(first.updateObject(), nullptr) << "a holder serves one dataset";
        EXPECT_EQ(holder.dataSet(), &second);
    }
    EXPECT_EQ(holder.dataSet(), nullptr);
}

} // namespace

namespace {

// Text is composed (a letter followed by a combining accent becomes the accented letter) before
// it is turned into the database's Windows-1252 bytes; a character those bytes cannot hold is
// refused before the statement runs, naming the field and the character, instead of being
// stored as "?".
TEST_F(QueryDataSetTest, TextIsComposedAndACharacterTheDatabaseCannotHoldIsRefused)
{
    const struct
    {
        const char* name;
        const char* text;
        const char* stored;    // what is read back; nullptr when refused
        const char* character; // the character the refusal names
        const char* code;
    } cases[] = {
        {"ComposedAccent", "cafe\xcc\x81", "caf\xc3\xa9", nullptr, nullptr},
        {"ComposedRing", "A\xcc\x8a" "rhus", "\xc3\x85rhus", nullptr, nullptr},
        {"Windows1252", "\xe2\x82\xac \xe2\x80\x9eS\xc3\xac\xe2\x80\x9c \xc5\x93 \xc5\xb8 \xc2\xb4 "
                        "\xc3\xb1 \xe2\x80\xa6",
         "\xe2\x82\xac \xe2\x80\x9eS\xc3\xac\xe2\x80\x9c \xc5\x93 \xc5\xb8 \xc2\xb4 \xc3\xb1 "
         "\xe2\x80\xa6",
         nullptr, nullptr},
        {"Chinese", "Pek \xe5\x8c\x97\xe4\xba\xac \xf0\x9f\x98\x80 cafe\xcc\x81", nullptr,
         "\xe5\x8c\x97", "U+5317"},
        {"Emoji", "ok \xf0\x9f\x98\x80", nullptr, "\xf0\x9f\x98\x80", "U+1F600"},
        {"AccentWithoutALetterToJoin", "x\xcc\x81", nullptr, "\xcc\x81", "U+0301"},
        {"Greek", "\xce\xa9mega", nullptr, "\xce\xa9", "U+03A9"},
    };
    data.open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QStringList prima = stored();
        data.first();
        data.edit();
        data.setField(QStringLiteral("NOME"), QString::fromUtf8(c.text));
        if (c.stored) {
            data.post();
            transaction.commit();
            EXPECT_EQ(stored().value(0), QStringLiteral("1:") + QString::fromUtf8(c.stored)
                                             + QStringLiteral(":111"));
            continue;
        }
        try {
            data.post();
            ADD_FAILURE() << "stored";
        } catch (const db::DbLogicError& e) {
            EXPECT_EQ(e.describe().message,
                      QStringLiteral("Il campo NOME contiene il carattere \"%1\" (%2), che "
                                     "l'archivio non può memorizzare: non è stato scritto nulla.")
                          .arg(QString::fromUtf8(c.character), QLatin1String(c.code)));
        }
        EXPECT_EQ(data.state(), QueryDataSet::State::Edit) << "the edit stays for the user";
        data.cancel();
        transaction.commit();
        EXPECT_EQ(stored(), prima) << "nothing written";
    }

    // A value written into the statement's text is refused the same way.
    db::Query q(&database, &transaction);
    q.add(QStringLiteral("UPDATE RUBRICA SET NOME = 'Pek \u5317\u4eac' WHERE CODICE = 2"));
    try {
        q.execSql();
        ADD_FAILURE() << "run";
    } catch (const db::DbLogicError& e) {
        EXPECT_TRUE(e.describe().message.startsWith(
            QStringLiteral("Il testo dell'istruzione contiene il carattere \"\u5317\" (U+5317)")))
            << e.describe().message.toStdString();
    }
    transaction.commit();
    EXPECT_EQ(stored().value(1), QStringLiteral("2:Bruno:222"));
}

} // namespace
