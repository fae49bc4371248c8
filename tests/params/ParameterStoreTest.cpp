#include "data/TabX.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "params/ParameterText.h"
#include "platform/IniFile.h"
#include "platform/TextCodec.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <stdexcept>
#include <vector>

using namespace velkora;
using velkora::platform::BoxKind;
using velkora::test::ProgramFolder;

namespace {

const QString kUpdateRowFailed
    = QStringLiteral("Errore interno di UPDATE: impossibile aggiornare la tabella dei parametri");
const QString kInsertRowFailed
    = QStringLiteral("Errore interno di INSERT: impossibile aggiornare la tabella dei parametri");
const QString kUpdateTextFailed = QStringLiteral(
    "Errore interno di UPDATE: impossibile aggiornare i parametri velkora dell'utente");

// A row as TABVELKORA holds it, NULL kept apart from the empty text.
struct StoredRow
{
    std::optional<QString> sezione;
    QString parametro;
    std::optional<QString> valore;
    qint64 progressivo = 0;

    friend bool operator==(const StoredRow&, const StoredRow&) = default;
};

std::ostream& operator<<(std::ostream& out, const StoredRow& r)
{
    auto text = [](const std::optional<QString>& s) {
        return s ? "'" + s->toStdString() + "'" : std::string("NULL");
    };
    return out << "{" << text(r.sezione) << ", '" << r.parametro.toStdString() << "', "
               << text(r.valore) << ", " << r.progressivo << "}";
}

// A literal for test data: NULL for a null text, otherwise the text quoted.
QString literal(const QString& text)
{
    return text.isNull() ? QStringLiteral("NULL") : db::quoted(text);
}

// A program folder with a fresh user database and a data form on it. The current user is 7
// "Rossi" working in company ALFA; user 8 exists beside him. Both start with an old text in
// UTENTI.VELKORA, so a test sees whether it was regenerated.
class Store
{
public:
    explicit Store(quint8 mode = 0)
    {
        if (mode != 3)
            folder.installUserDatabase();
        form = std::make_unique<TTabXForm>(nullptr, mode, folder.environment());
        form->NumUser = 7;
        form->NomeUser = QStringLiteral("Rossi");
        form->DittaCorrente = QStringLiteral("ALFA");
        if (mode == 3)
            return;
        addUser(7, QStringLiteral("Rossi"));
        addUser(8, QStringLiteral("Bianchi"));
    }

    db::Database& database() { return form->IBDatabaseUser; }
    void exec(const QString& sql) { test::exec(database(), sql); }

    void addUser(qint32 code, const QString& name)
    {
        exec(QStringLiteral("INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, VELKORA) "
                            "VALUES (%1, %2, 'ALFA', 'vecchio testo')")
                 .arg(code)
                 .arg(db::quoted(name)));
    }

    void addRow(qint32 user, const QString& sezione, const QString& parametro,
                const QString& valore, qint32 progressivo)
    {
        exec(QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, "
                            "PROGRESSIVO) VALUES (%1, %2, %3, %4, %5)")
                 .arg(user)
                 .arg(literal(sezione), literal(parametro), literal(valore))
                 .arg(progressivo));
    }

    // The user's rows in the order of PROGRESSIVO, read in a transaction of their own so they
    // show what was committed.
    std::vector<StoredRow> rows(qint32 user = 7)
    {
        db::Transaction transaction(&database());
        db::Query query(&database(), &transaction);
        query.add(QStringLiteral("SELECT INTESTAZIONE, PARAMETRO, VALORE, PROGRESSIVO FROM "
                                 "TABVELKORA WHERE UTENTE=%1 ORDER BY PROGRESSIVO, PARAMETRO")
                      .arg(user));
        query.open();
        std::vector<StoredRow> result;
        for (query.first(); !query.eof(); query.next()) {
            StoredRow r;
            if (!query.isNull(0))
                r.sezione = query.asString(0);
            r.parametro = query.asString(1);
            if (!query.isNull(2))
                r.valore = query.asString(2);
            r.progressivo = query.asInteger(3);
            result.push_back(r);
        }
        return result;
    }

    // The bytes of UTENTI.VELKORA (Windows-1252 maps every byte to one character and back, so
    // these are the stored bytes); nullopt for NULL.
    std::optional<std::string> text(qint32 user = 7)
    {
        db::Transaction transaction(&database());
        db::Query query(&database(), &transaction);
        query.add(QStringLiteral("SELECT VELKORA FROM UTENTI WHERE CODICE=%1").arg(user));
        query.open();
        if (query.isEmpty() || query.isNull(0))
            return std::nullopt;
        return platform::toCp1252(query.asString(0)).toStdString();
    }

    qint64 count(const QString& sql)
    {
        db::Transaction transaction(&database());
        db::Query query(&database(), &transaction);
        query.add(sql);
        query.open();
        return query.asInteger(0);
    }

    ProgramFolder folder;
    std::unique_ptr<TTabXForm> form;
};

StoredRow stored(const QString& sezione, const QString& parametro, const QString& valore,
                 qint64 progressivo)
{
    return {sezione, parametro,
            valore.isNull() ? std::nullopt : std::optional<QString>(valore), progressivo};
}

TEST(ParameterStore, ReadsTheValueOfTheCurrentUserAndCompany)
{
    Store s;
    s.addRow(7, QStringLiteral("ALFA"), QStringLiteral("Agenda"), QStringLiteral("SI"), 1);
    s.addRow(7, QStringLiteral("BETA"), QStringLiteral("Listino"), QStringLiteral("Estate"), 2);
    s.addRow(7, QStringLiteral("ALFA"), QStringLiteral("Vuoto"), QString(), 3);
    s.addRow(7, QString(), QStringLiteral("SenzaSezione"), QStringLiteral("x"), 4);
    s.addRow(8, QStringLiteral("ALFA"), QStringLiteral("DiBianchi"), QStringLiteral("y"), 1);
    s.addRow(7, QStringLiteral("L'Aquila"), QStringLiteral("Sede"), QStringLiteral("centro"), 5);

    struct Case
    {
        const char* name;
        QString ditta;
        QString parametro;
        QString valore;
    };
    const Case cases[] = {
        {"present", "ALFA", "Agenda", "SI"},
        {"present only in another company", "ALFA", "Listino", ""},
        {"stored with a NULL value", "ALFA", "Vuoto", ""},
        {"only in a row without a section", "ALFA", "SenzaSezione", ""},
        {"a parameter of another user", "ALFA", "DiBianchi", ""},
        {"absent", "ALFA", "Assente", ""},
        {"a company with an apostrophe", "L'Aquila", "Sede", "centro"},
        {"a name that would widen the condition", "ALFA", "x') OR ('1'='1", ""},
        {"a name that would end the statement", "ALFA", "'; DELETE FROM UTENTI; --", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s.form->DittaCorrente = c.ditta;
        QString valore = QStringLiteral("valore di prima");
        s.form->CaricaParametro(c.parametro, valore);
        EXPECT_EQ(valore, c.valore);
        EXPECT_EQ(s.form->CaricaParametro(c.parametro), c.valore);
    }
    EXPECT_EQ(s.count(QStringLiteral("SELECT COUNT(*) FROM UTENTI")), 2);
    EXPECT_TRUE(s.folder.messages.boxes().empty());
}

// A new parameter comes after every row of the user, whatever their section, and so closes its
// own section in the text.
TEST(ParameterStore, NewParameterGetsTheUsersHighestProgressivoPlusOne)
{
    struct Case
    {
        const char* name;
        std::vector<StoredRow> before;
        qint64 progressivo;
        std::string text;
    };
    const Case cases[] = {
        {"a user without rows", {}, 1, "[ALFA]\nNuovo=valore\n"},
        {"highest in another section",
         {stored("BETA", "b1", "x", 7), stored("ALFA", "a1", "y", 2), stored("ALFA", "a2", "z", 3)},
         8,
         "[ALFA]\na1=y\na2=z\nNuovo=valore\n[BETA]\nb1=x\n"},
        {"highest in a row without a section",
         {stored("ALFA", "a1", "y", 2), {std::nullopt, "n", QString("w"), 12}},
         13,
         "[ALFA]\na1=y\nNuovo=valore\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Store s;
        for (const StoredRow& r : c.before)
            s.addRow(7, r.sezione.value_or(QString()), r.parametro, r.valore.value_or(QString()),
                     qint32(r.progressivo));
        // Another user's higher numbers do not count.
        s.addRow(8, QStringLiteral("ALFA"), QStringLiteral("z"), QStringLiteral("1"), 50);

        s.form->SettaParametro(QStringLiteral("Nuovo"), QStringLiteral("valore"));

        std::vector<StoredRow> expected = c.before;
        expected.push_back(stored("ALFA", "Nuovo", "valore", c.progressivo));
        std::vector<StoredRow> actual = s.rows();
        std::sort(expected.begin(), expected.end(),
                  [](const StoredRow& a, const StoredRow& b) { return a.progressivo < b.progressivo; });
        EXPECT_EQ(actual, expected);
        EXPECT_EQ(s.text(), c.text);
        EXPECT_EQ(s.text(8), std::string("vecchio testo")) << "another user's text is left alone";
        EXPECT_TRUE(s.folder.messages.boxes().empty());
    }
}

TEST(ParameterStore, SettingAnExistingParameterKeepsItsProgressivo)
{
    Store s;
    s.addRow(7, QStringLiteral("ALFA"), QStringLiteral("a"), QStringLiteral("vecchio"), 4);
    s.addRow(7, QStringLiteral("ALFA"), QStringLiteral("b"), QStringLiteral("x"), 9);
    s.addRow(7, QStringLiteral("BETA"), QStringLiteral("a"), QStringLiteral("altra ditta"), 2);

    s.form->SettaParametro(QStringLiteral("a"), QStringLiteral("nuovo"));

    EXPECT_EQ(s.rows(), (std::vector<StoredRow>{stored("BETA", "a", "altra ditta", 2),
                                                stored("ALFA", "a", "nuovo", 4),
                                                stored("ALFA", "b", "x", 9)}));
    EXPECT_EQ(s.text(), std::string("[ALFA]\na=nuovo\nb=x\n[BETA]\na=altra ditta\n"));
}

// Nothing makes a parameter unique: a read takes one of the rows, a write changes them all.
TEST(ParameterStore, TwoRowsWithTheSameNameAreBothUpdated)
{
    Store s;
    s.addRow(7, QStringLiteral("ALFA"), QStringLiteral("Doppio"), QStringLiteral("uno"), 1);
    s.addRow(7, QStringLiteral("ALFA"), QStringLiteral("Doppio"), QStringLiteral("due"), 2);

    const QString letto = s.form->CaricaParametro(QStringLiteral("Doppio"));
    EXPECT_TRUE(letto == QStringLiteral("uno") || letto == QStringLiteral("due")) << letto.toStdString();

    s.form->ScriviParametroVelkora(QStringLiteral("ALFA"), QStringLiteral("Doppio"),
                                   QStringLiteral("tre"));
    EXPECT_EQ(s.rows(), (std::vector<StoredRow>{stored("ALFA", "Doppio", "tre", 1),
                                                stored("ALFA", "Doppio", "tre", 2)}));
    EXPECT_EQ(s.text(), std::string("[ALFA]\nDoppio=tre\nDoppio=tre\n"));
}

TEST(ParameterStore, AnEmptyValueIsStoredAsNull)
{
    struct Case
    {
        const char* name;
        bool existing;
        QString valore;
    };
    const Case cases[] = {
        {"new parameter, empty text", false, QStringLiteral("")},
        {"new parameter, null text", false, QString()},
        {"existing parameter, empty text", true, QStringLiteral("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Store s;
        if (c.existing)
            s.addRow(7, QStringLiteral("ALFA"), QStringLiteral("p"), QStringLiteral("pieno"), 3);
        s.form->SettaParametro(QStringLiteral("p"), c.valore);
        const std::vector<StoredRow> rows = s.rows();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].valore, std::nullopt);
        EXPECT_EQ(rows[0].progressivo, c.existing ? 3 : 1);
        EXPECT_EQ(s.text(), std::string("[ALFA]\np=\n"));
        EXPECT_EQ(s.form->CaricaParametro(QStringLiteral("p")), QString());
    }
}

TEST(ParameterStore, RegeneratedTextFromTheRows)
{
    struct Case
    {
        const char* name;
        std::vector<StoredRow> rows;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {"no rows give NULL", {}, std::nullopt},
        {"rows without a section only give NULL",
         {{std::nullopt, "a", QString("1"), 1}, {std::nullopt, "b", std::nullopt, 2}},
         std::nullopt},
        {"sections sorted by name, lines by PROGRESSIVO",
         {stored("B", "b2", "2", 1), stored("A", "a2", "2", 2), stored("B", "b1", "1", 0),
          stored("A", "a1", "1", 1)},
         "[A]\na1=1\na2=2\n[B]\nb1=1\nb2=2\n"},
        {"the empty section first and without header; nameless rows give empty lines",
         {stored("A", "", "x", 1), stored("A", "a", "1", 2), stored("", "e", "0", 9),
          {"A", QString(), std::nullopt, 3}, stored("A", "b", QString(), 4)},
         "e=0\n[A]\n\na=1\n\nb=\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Store s;
        for (const StoredRow& r : c.rows)
            s.addRow(7, r.sezione.value_or(QString()), r.parametro, r.valore.value_or(QString()),
                     qint32(r.progressivo));
        s.addRow(8, QStringLiteral("A"), QStringLiteral("diBianchi"), QStringLiteral("1"), 1);

        s.form->ScriviVelkora(7);

        EXPECT_EQ(s.text(), c.text);
        EXPECT_EQ(s.text(8), std::string("vecchio testo"));
        EXPECT_TRUE(s.folder.messages.boxes().empty());
    }
}

// Companies, names and values typed by users reach the statements; none of them may change a
// statement or be stored other than as typed.
TEST(ParameterStore, HostileTextsAreStoredAndFoundAsTheyAre)
{
    const QString hostile[] = {
        QStringLiteral("L'Aquila"),
        QStringLiteral("'; DELETE FROM UTENTI; --"),
        QStringLiteral("x') OR ('1'='1"),
        QStringLiteral("''"),
        QStringLiteral("'"),
        QStringLiteral(":VELKORA"),
        QStringLiteral("a\\b%_\"c\""),
        QStringLiteral("caffè à ´ €"),
        QString(2048, u'\''), // the longest value the column holds, every character doubled
    };
    Store s;
    for (const QString& h : hostile) {
        SCOPED_TRACE(h.left(40).toStdString());
        s.exec(QStringLiteral("DELETE FROM TABVELKORA"));
        const QString name = h.left(100); // the longest name the column holds
        s.form->DittaCorrente = name;

        s.form->SettaParametro(name, h);
        EXPECT_EQ(s.form->CaricaParametro(name), h);
        EXPECT_EQ(s.rows(), (std::vector<StoredRow>{stored(name, name, h, 1)}));

        const QString changed = h.left(2047) + QStringLiteral("!");
        s.form->SettaParametro(name, changed);
        EXPECT_EQ(s.rows(), (std::vector<StoredRow>{stored(name, name, changed, 1)}))
            << "the update must find the row the insert made";
        EXPECT_EQ(s.text(), platform::toCp1252(QLatin1Char('[') + name + QStringLiteral("]\n")
                                               + name + QLatin1Char('=') + changed
                                               + QLatin1Char('\n'))
                                .toStdString());
        EXPECT_EQ(s.count(QStringLiteral("SELECT COUNT(*) FROM UTENTI")), 2);
        EXPECT_EQ(s.text(8), std::string("vecchio testo"));
    }
    EXPECT_TRUE(s.folder.messages.boxes().empty());
}

// Accented letters, the acute accent and the euro sign are single Windows-1252 bytes in the
// rows and in the text, as the suite's other programs read them.
TEST(ParameterStore, NonAsciiTextKeepsItsWindows1252Bytes)
{
    Store s;
    s.form->DittaCorrente = QStringLiteral("Società");
    const QString valore = QStringLiteral("caffè à ´ €");
    s.form->SettaParametro(QStringLiteral("Più"), valore);

    EXPECT_EQ(s.form->CaricaParametro(QStringLiteral("Più")), valore);
    // Compared by the engine with a value built from byte codes, so no conversion on the test's
    // side can hide a wrong byte.
    EXPECT_EQ(s.count(QStringLiteral(
                  "SELECT COUNT(*) FROM TABVELKORA WHERE VALORE = 'caff' || ASCII_CHAR(232) || ' ' "
                  "|| ASCII_CHAR(224) || ' ' || ASCII_CHAR(180) || ' ' || ASCII_CHAR(128) "
                  "AND INTESTAZIONE = 'Societ' || ASCII_CHAR(224) AND PARAMETRO = 'Pi' || "
                  "ASCII_CHAR(249)")),
              1);
    EXPECT_EQ(s.count(QStringLiteral("SELECT OCTET_LENGTH(VELKORA) FROM UTENTI WHERE CODICE=7")), 26);
    EXPECT_EQ(s.count(QStringLiteral(
                  "SELECT POSITION(ASCII_CHAR(180) IN VELKORA) FROM UTENTI WHERE CODICE=7")),
              23);
    EXPECT_EQ(s.text(), std::string("[Societ\xe0]\nPi\xf9=caff\xe8 \xe0 \xb4 \x80\n"));
}

// A user with many companies collects a text of megabytes: far beyond what a quoted literal
// may hold, so it must reach the blob in one piece.
TEST(ParameterStore, TextOfSeveralMegabytes)
{
    Store s;
    std::vector<ParameterRow> expected;
    {
        db::Transaction transaction(&s.database());
        db::Query insert(&s.database(), &transaction);
        insert.add(QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, VALORE, "
                                  "PROGRESSIVO) VALUES (7, :S, :P, :V, :N)"));
        const QString value = QString(1900, u'v') + QStringLiteral("'´€");
        for (int i = 1; i <= 2800; ++i) {
            const QString section = QStringLiteral("DITTA %1").arg(i / 100, 2, 10, QLatin1Char('0'));
            const QString name = QStringLiteral("P%1").arg(i);
            insert.setParam(QStringLiteral("S"), section);
            insert.setParam(QStringLiteral("P"), name);
            insert.setParam(QStringLiteral("V"), value);
            insert.setParam(QStringLiteral("N"), i);
            insert.execSql();
            expected.push_back({section, name, value, i});
        }
        transaction.commit();
    }
    s.form->DittaCorrente = QStringLiteral("DITTA 28");
    s.form->SettaParametro(QStringLiteral("Ultimo"), QStringLiteral("fine"));
    expected.push_back({QStringLiteral("DITTA 28"), QStringLiteral("Ultimo"),
                        QStringLiteral("fine"), 2801});

    const QByteArray bytes = platform::toCp1252(writeParameterText(expected));
    ASSERT_GT(bytes.size(), 5 * 1000 * 1000);
    EXPECT_EQ(s.count(QStringLiteral("SELECT OCTET_LENGTH(VELKORA) FROM UTENTI WHERE CODICE=7")),
              bytes.size());
    const std::optional<std::string> text = s.text();
    ASSERT_TRUE(text.has_value());
    EXPECT_TRUE(*text == bytes.toStdString()) << "the stored text differs from the rows' text";
    EXPECT_TRUE(s.folder.messages.boxes().empty());
}

// Each failing write is reported in its own words; what the operation had already committed
// stays, what failed leaves the database as it was.
TEST(ParameterStore, FailedWritesAreReportedAndLeaveTheDatabaseConsistent)
{
    struct Case
    {
        const char* name;
        const char* trigger; // table and event of a trigger that makes a statement fail
        QString parametro;
        QString valore;
        QString message;
        std::vector<StoredRow> rowsAfter;
        std::string textAfter;
    };
    const QString tooLong(2049, u'x');
    const Case cases[] = {
        {"the row update fails", "TABVELKORA BEFORE UPDATE", "a", "nuovo", kUpdateRowFailed,
         {stored("ALFA", "a", "vecchio", 1)}, "[ALFA]\na=vecchio\n"},
        {"a value longer than the column", nullptr, "a", tooLong, kUpdateRowFailed,
         {stored("ALFA", "a", "vecchio", 1)}, "[ALFA]\na=vecchio\n"},
        {"the insert fails", "TABVELKORA BEFORE INSERT", "b", "nuovo", kInsertRowFailed,
         {stored("ALFA", "a", "vecchio", 1)}, "[ALFA]\na=vecchio\n"},
        {"a new value longer than the column", nullptr, "b", tooLong, kInsertRowFailed,
         {stored("ALFA", "a", "vecchio", 1)}, "[ALFA]\na=vecchio\n"},
        {"the text update fails", "UTENTI BEFORE UPDATE", "a", "nuovo", kUpdateTextFailed,
         {stored("ALFA", "a", "nuovo", 1)}, "vecchio testo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Store s;
        s.addRow(7, QStringLiteral("ALFA"), QStringLiteral("a"), QStringLiteral("vecchio"), 1);
        if (c.trigger) {
            s.exec(QStringLiteral("CREATE EXCEPTION PROVA_GUASTO 'guasto di prova'"));
            s.exec(QStringLiteral("CREATE TRIGGER PROVA_GUASTO FOR %1 AS BEGIN "
                                  "EXCEPTION PROVA_GUASTO; END")
                       .arg(QString::fromUtf8(c.trigger)));
        }

        s.form->SettaParametro(c.parametro, c.valore);

        ASSERT_EQ(s.folder.messages.boxes().size(), 1u);
        EXPECT_EQ(s.folder.messages.boxes()[0].kind, BoxKind::Error);
        EXPECT_EQ(s.folder.messages.boxes()[0].text, c.message);
        EXPECT_EQ(s.rows(), c.rowsAfter);
        EXPECT_EQ(s.text(), c.textAfter);
        EXPECT_FALSE(s.form->TransazioneUser.active()) << "nothing may stay pending after a failure";
    }
}

// Another workstation may add the parameter after this one last read: the lookup must see it,
// or the parameter would end up twice.
TEST(ParameterStore, LookupSeesRowsCommittedByAnotherWorkstation)
{
    Store s;
    EXPECT_EQ(s.form->CaricaParametro(QStringLiteral("a")), QString());
    ASSERT_TRUE(s.form->TransazioneUser.active()) << "the read leaves its snapshot open";

    db::Database other;
    test::attach(other, s.folder.userDatabase());
    test::exec(other, QStringLiteral("INSERT INTO TABVELKORA (UTENTE, INTESTAZIONE, PARAMETRO, "
                                     "VALORE, PROGRESSIVO) VALUES (7, 'ALFA', 'a', 'altrove', 3)"));

    s.form->SettaParametro(QStringLiteral("a"), QStringLiteral("qui"));
    EXPECT_EQ(s.rows(), (std::vector<StoredRow>{stored("ALFA", "a", "qui", 3)}));
    EXPECT_EQ(s.text(), std::string("[ALFA]\na=qui\n"));
}

// With users from files the parameters of the current user live in his own INI file, one
// section per company; the text in the database is still regenerated from the table.
TEST(ParameterStoreFiles, ParametersLiveInTheUsersIniFile)
{
    Store s(1);
    s.folder.makeFolder(QStringLiteral("NOMIDIT/USERCFG"));
    s.addUser(12, QStringLiteral("Verdi"));
    s.addRow(12, QStringLiteral("BETA"), QStringLiteral("t"), QStringLiteral("1"), 1);
    s.form->NumUser = 12;
    s.form->NomeUser = QStringLiteral("Verdi");
    const QString file = s.folder.file(QStringLiteral("NOMIDIT/USERCFG/12 Verdi.INI"));

    EXPECT_EQ(s.form->CaricaParametro(QStringLiteral("Colore")), QString()) << "no file yet";
    const QString valore = QStringLiteral("blu è´€ L'Aquila");
    s.form->SettaParametro(QStringLiteral("Colore"), valore);

    ASSERT_TRUE(QFile::exists(file));
    EXPECT_EQ(platform::IniFile(file).readString(QStringLiteral("ALFA"), QStringLiteral("Colore")),
              valore);
    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    EXPECT_TRUE(bytes.contains("[ALFA]")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("Colore=blu \xe8\xb4\x80 L'Aquila")) << "Windows-1252 bytes";

    EXPECT_EQ(s.form->CaricaParametro(QStringLiteral("colore")), valore)
        << "keys are found without regard to case";
    s.form->DittaCorrente = QStringLiteral("BETA");
    EXPECT_EQ(s.form->CaricaParametro(QStringLiteral("Colore")), QString()) << "another company";

    EXPECT_EQ(s.rows(12), (std::vector<StoredRow>{stored("BETA", "t", "1", 1)}))
        << "the table is not written";
    EXPECT_EQ(s.text(12), std::string("[BETA]\nt=1\n"));
    EXPECT_TRUE(s.folder.messages.boxes().empty());
}

TEST(ParameterStoreFiles, WithoutTheUserFolderNothingIsStoredAndTheCallerIsTold)
{
    Store s(1);
    EXPECT_THROW(s.form->SettaParametro(QStringLiteral("Colore"), QStringLiteral("blu")),
                 std::runtime_error);
    EXPECT_FALSE(QDir(s.folder.file(QStringLiteral("NOMIDIT"))).exists())
        << "the store does not create NOMIDIT/USERCFG";
    EXPECT_EQ(s.form->CaricaParametro(QStringLiteral("Colore")), QString());
}

TEST(ParameterStoreFiles, WithoutUsersThereIsNoParameterSet)
{
    Store s(3);
    QString valore = QStringLiteral("di prima");
    s.form->CaricaParametro(QStringLiteral("Colore"), valore);
    EXPECT_EQ(valore, QStringLiteral("di prima"));
    EXPECT_NO_THROW(s.form->SettaParametro(QStringLiteral("Colore"), QStringLiteral("blu")));
    EXPECT_TRUE(QDir(s.folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    EXPECT_TRUE(s.folder.messages.boxes().empty());
}

} // namespace
