// Typed parameters of the data form: MemTabX in memory, TABX in the database of the first
// general connection, and the general connections themselves, on real databases.

#include "data/TabX.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "platform/DateFormat.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <memory>

using namespace velkora;
using velkora::platform::BoxKind;
using velkora::test::ProgramFolder;

namespace {

const QString kAccento = QString(QChar(0x00B4));

// Makes the last row of the table current.
void ultima(MemTable& t)
{
    t.first();
    for (int i = 1; i < t.recordCount(); ++i)
        t.next();
}

class TabXParametri : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder.installUserDatabase();
        form = std::make_unique<TTabXForm>(nullptr, 0, folder.environment());
        archivio = test::copyTabxTemplate(folder.file(QStringLiteral("ditta/tabx.fdb")));
        form->Inserisci(QStringLiteral("GEN"), QStringLiteral("Archivio"), {}, archivio, {}, {}, {},
                        {}, {});
        form->ConnettiDatabase1(QStringLiteral("Archivio"));
        ASSERT_TRUE(form->IBDatabase1.attached());
        form->NumUser = 7;
        // A row of another user that no statement here may touch.
        test::attach(controllo, archivio);
        test::exec(controllo,
                   QStringLiteral("INSERT INTO TABX VALUES (GEN_ID(CODICETABXCOUNTER,1), "
                                  "'P', 'S', 'TBX', 'Sentinella', 1, 'resta', NULL, NULL, "
                                  "NULL, NULL, 99)"));
        folder.messages.clear();
    }

    // The committed rows of TABX for the user 7, as seen from another attachment:
    // "PROGETTO|SITUAZIONE|NOME|NUMERO|TESTO|DATA|MEMO|LIVELLO1|LIVELLO2".
    QStringList righe()
    {
        return test::rows(controllo,
                          QStringLiteral("SELECT CODPROGETTO, CODSITUAZIONE, NOME, NUMERO, TESTO, "
                                         "DATA, MEMO, LIVELLO1, LIVELLO2 FROM TABX WHERE UTENTE=7 "
                                         "ORDER BY CODICE"));
    }

    bool sentinellaIntatta()
    {
        db::Transaction t(&controllo);
        db::Query q(&controllo, &t);
        q.add(QStringLiteral("SELECT TESTO FROM TABX WHERE UTENTE=99 AND NOME='Sentinella'"));
        q.open();
        return q.recordCount() == 1 && q.asString(0) == QStringLiteral("resta");
    }

    QString testo(const QString& nome)
    {
        QString v;
        form->GetV(nome, v);
        return v;
    }
    QString memo(const QString& nome)
    {
        QString v;
        form->GetM(nome, v);
        return v;
    }
    void aggiungiInMemoria(const QString& nome, const QString& testoValore,
                           const QString& tipo = QStringLiteral("TBX"))
    {
        form->Inserisci(tipo, nome, {}, testoValore, {}, {}, {}, {}, {});
    }

    ProgramFolder folder;
    std::unique_ptr<TTabXForm> form;
    QString archivio;
    db::Database controllo;
};

TEST_F(TabXParametri, MemoryLookUpsAreExactAndUseTheFirstRowOfAName)
{
    aggiungiInMemoria(QStringLiteral("Percorso"), QStringLiteral("primo"));
    aggiungiInMemoria(QStringLiteral("Percorso"), QStringLiteral("secondo"));
    const int righeIniziali = form->MemTabX.recordCount();

    struct Caso
    {
        const char* nome;
        const char* atteso; // Testo read by GetV
    } casi[] = {{"Percorso", "primo"}, {"PERCORSO", ""}, {"percorso", ""},
                {"Percors", ""},       {"Manca", ""},    {"", ""}};
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        EXPECT_EQ(testo(QString::fromUtf8(c.nome)), QString::fromUtf8(c.atteso));
        EXPECT_EQ(memo(QString::fromUtf8(c.nome)), QString());
    }

    EXPECT_FALSE(form->SetV(QStringLiteral("PERCORSO"), QStringLiteral("x")));
    EXPECT_FALSE(form->SetM(QStringLiteral("Manca"), QStringLiteral("x")));
    EXPECT_EQ(form->MemTabX.recordCount(), righeIniziali) << "a missing name adds nothing";

    EXPECT_TRUE(form->SetV(QStringLiteral("Percorso"), QStringLiteral("nuovo")));
    EXPECT_TRUE(form->SetM(QStringLiteral("Percorso"), QStringLiteral("nota\nsu due righe")));
    EXPECT_EQ(testo(QStringLiteral("Percorso")), QStringLiteral("nuovo"));
    EXPECT_EQ(memo(QStringLiteral("Percorso")), QStringLiteral("nota\nsu due righe"));
    // The second row of the name is never reached.
    ultima(form->MemTabX);
    EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Testo")), QStringLiteral("secondo"));
    EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Memo")), QString());
}

TEST_F(TabXParametri, InserisciConvertsEachTextToItsFieldOrAddsNothing)
{
    form->Inserisci(QStringLiteral("TIPO-TROPPO-LUNGO"), QString(70, QLatin1Char('n')),
                    QStringLiteral("42"), QString(200, QLatin1Char('t')),
                    QStringLiteral("25/12/2024"), QString(5000, QLatin1Char('m')),
                    QStringLiteral("1"), QString(), QStringLiteral("7"));
    ultima(form->MemTabX);
    EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Tipo")), QStringLiteral("TIPO-TROPP"));
    EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Nome")).size(), 64);
    EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Numero")), QStringLiteral("42"));
    EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Testo")).size(), 128);
    EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Data")), QStringLiteral("25/12/2024"));
    EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Memo")).size(), 5000);
    EXPECT_TRUE(form->MemTabX.value(QStringLiteral("Livello2")).isNull());

    const int righe = form->MemTabX.recordCount();
    struct Caso
    {
        const char* numero;
        const char* data;
        const char* livello;
    } rifiutati[] = {{"3,5", "", ""},
                     {"dieci", "", ""},
                     {"", "31/02/2024", ""},
                     {"", "2024-12-25", ""},
                     {"", "", "70000"}};
    for (const Caso& c : rifiutati) {
        SCOPED_TRACE(std::string(c.numero) + "/" + c.data + "/" + c.livello);
        EXPECT_THROW(form->Inserisci(QStringLiteral("TBX"), QStringLiteral("Errato"),
                                     QString::fromUtf8(c.numero), QStringLiteral("t"),
                                     QString::fromUtf8(c.data), {}, QString::fromUtf8(c.livello),
                                     {}, {}),
                     MemTable::Error);
        EXPECT_EQ(form->MemTabX.recordCount(), righe);
        EXPECT_EQ(form->MemTabX.state(), MemTable::State::Browse);
        EXPECT_EQ(testo(QStringLiteral("Errato")), QString());
    }
}

TEST_F(TabXParametri, AggiungiWritesTheValueOnceInTheSuitesForms)
{
    EXPECT_TRUE(form->AggiungiParametroInTabX(
        QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("Titolo"), QStringLiteral("-3,0"),
        QStringLiteral("L'ARCHIVIO"), QStringLiteral("25/12/2024"),
        QStringLiteral("riga 'uno'\nriga due"), QStringLiteral("4"), QString()));
    const QString attesa = QStringLiteral("1|2|Titolo|-3|L") + kAccento +
                           QStringLiteral("ARCHIVIO|25/12/2024|riga ") + kAccento +
                           QStringLiteral("uno") + kAccento + QStringLiteral("\nriga due|4|");
    EXPECT_EQ(righe(), QStringList{attesa});
    EXPECT_TRUE(form->VerificaEsistenzaInTabX(QStringLiteral("1"), QStringLiteral("2"),
                                              QStringLiteral("Titolo")));

    // The value exists: true, and nothing is overwritten.
    EXPECT_TRUE(form->AggiungiParametroInTabX(
        QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("Titolo"), QStringLiteral("9"),
        QStringLiteral("altro"), QString(), QString(), QString(), QString()));
    EXPECT_EQ(righe(), QStringList{attesa});

    // Another user does not see it.
    form->NumUser = 8;
    EXPECT_FALSE(form->VerificaEsistenzaInTabX(QStringLiteral("1"), QStringLiteral("2"),
                                               QStringLiteral("Titolo")));
    form->NumUser = 7;

    // An empty key is refused before the database is asked.
    struct Chiave
    {
        const char* progetto;
        const char* situazione;
        const char* nome;
    } vuote[] = {{"", "2", "N"}, {"1", "", "N"}, {"1", "2", ""}};
    for (const Chiave& k : vuote) {
        SCOPED_TRACE(std::string(k.progetto) + "/" + k.situazione + "/" + k.nome);
        EXPECT_FALSE(form->AggiungiParametroInTabX(
            QString::fromUtf8(k.progetto), QString::fromUtf8(k.situazione),
            QString::fromUtf8(k.nome), QStringLiteral("1"), {}, {}, {}, {}, {}));
        EXPECT_FALSE(form->VerificaEsistenzaInTabX(QString::fromUtf8(k.progetto),
                                                   QString::fromUtf8(k.situazione),
                                                   QString::fromUtf8(k.nome)));
    }
    EXPECT_EQ(righe(), QStringList{attesa});
    EXPECT_TRUE(folder.messages.boxes().empty());
}

TEST_F(TabXParametri, WritesThatTheDatabaseRefusesAreReportedAndChangeNothing)
{
    ASSERT_TRUE(form->AggiungiParametroInTabX(
        QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("Esistente"), QStringLiteral("5"),
        QStringLiteral("t"), {}, QStringLiteral("m"), {}, {}));
    const QStringList prima = righe();

    // A level that is not a small integer: the insert fails.
    EXPECT_FALSE(form->AggiungiParametroInTabX(QStringLiteral("1"), QStringLiteral("2"),
                                               QStringLiteral("Livello"), {}, QStringLiteral("t"),
                                               {}, {}, QStringLiteral("alto"), {}));
    // A text longer than its column: the update fails.
    EXPECT_FALSE(form->ScriviParametroInTabX(QStringLiteral("1"), QStringLiteral("2"),
                                             QStringLiteral("Esistente"), QStringLiteral("5"),
                                             QString(1100, QLatin1Char('x')), {}, {}));
    ASSERT_EQ(folder.messages.boxes().size(), 2u);
    EXPECT_EQ(folder.messages.boxes()[0].kind, BoxKind::Error);
    EXPECT_EQ(
        folder.messages.boxes()[0].text,
        QStringLiteral("Errore interno di INSERT: impossibile aggiungere il parametro Livello"));
    EXPECT_FALSE(folder.messages.boxes()[0].detail.isEmpty())
        << "the engine's words go to the detail";
    EXPECT_EQ(folder.messages.boxes()[1].kind, BoxKind::Error);
    EXPECT_EQ(
        folder.messages.boxes()[1].text,
        QStringLiteral("Errore interno di UPDATE: impossibile settare il parametro Esistente"));
    EXPECT_EQ(righe(), prima);

    // A date that is not a date is refused before any statement.
    EXPECT_THROW(form->AggiungiParametroInTabX(QStringLiteral("1"), QStringLiteral("2"),
                                               QStringLiteral("Data"), {}, {},
                                               QStringLiteral("12/25/2024"), {}, {}, {}),
                 MemTable::Error);
    EXPECT_THROW(form->ScriviParametroInTabX(QStringLiteral("1"), QStringLiteral("2"),
                                             QStringLiteral("Esistente"), {}, {},
                                             QStringLiteral("32/01/2024"), {}),
                 MemTable::Error);
    EXPECT_EQ(righe(), prima);
    EXPECT_EQ(folder.messages.boxes().size(), 2u);
}

// The in-memory field Numero holds a 64-bit integer and the column NUMERO a double: a number
// is written only when the next load can put it back into Numero as it was written. What is
// written loads without error; what is refused leaves the stored row as it was, with a box.
TEST_F(TabXParametri, NumbersAreWrittenOnlyWhenTheLoadCanReadThemBack)
{
    struct Caso
    {
        const char* numero;
        const char* letto; // Numero after the load; nullptr: refused when written
    } casi[] = {
        {"12", "12"},
        {"-12,0", "-12"},
        {"+7.000", "7"},
        {"9007199254740992", "9007199254740992"},
        {"-9007199254740992", "-9007199254740992"},
        {"1,5", nullptr},
        {"0,0001", nullptr},
        {"9007199254740993", nullptr},
        {"99999999999999999999", nullptr},
        {"1.000,5", nullptr},
        {"dieci", nullptr},
    };
    ASSERT_TRUE(form->AggiungiParametroInTabX(QStringLiteral("1"), QStringLiteral("2"),
                                              QStringLiteral("Scritto"), QStringLiteral("1"),
                                              QStringLiteral("t"), {}, {}, {}, {}));
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.numero);
        const QString numero = QString::fromUtf8(c.numero);
        const QString nome = QStringLiteral("N") + numero;
        folder.messages.clear();
        const QStringList prima = righe();
        const bool aggiunto = form->AggiungiParametroInTabX(QStringLiteral("1"), QStringLiteral("2"),
                                                            nome, numero, QStringLiteral("t"), {},
                                                            {}, {}, {});
        const bool scritto = form->ScriviParametroInTabX(QStringLiteral("1"), QStringLiteral("2"),
                                                         QStringLiteral("Scritto"), numero,
                                                         QStringLiteral("t"), {}, {});
        if (c.letto) {
            EXPECT_TRUE(aggiunto);
            EXPECT_TRUE(scritto);
            EXPECT_TRUE(folder.messages.boxes().empty());
            // The load of every row of the user goes through, and Numero holds the number.
            form->IBTransaction1.restart();
            ASSERT_NO_THROW(form->AggiornaParametriTabX());
            for (const QString& n : {nome, QStringLiteral("Scritto")}) {
                ASSERT_TRUE(form->MemTabX.locate(QStringLiteral("Nome"), n));
                EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Numero")),
                          QString::fromUtf8(c.letto));
            }
            continue;
        }
        EXPECT_FALSE(aggiunto);
        EXPECT_FALSE(scritto);
        EXPECT_EQ(righe(), prima) << "nothing stored";
        ASSERT_EQ(folder.messages.boxes().size(), 2u);
        for (const auto& box : folder.messages.boxes()) {
            EXPECT_EQ(box.kind, BoxKind::Error);
            EXPECT_TRUE(box.text.startsWith(QStringLiteral("Impossibile salvare il parametro ")))
                << box.text.toStdString();
            EXPECT_TRUE(box.text.contains(QLatin1Char('"') + numero + QLatin1Char('"')))
                << box.text.toStdString();
            EXPECT_TRUE(box.text.contains(QStringLiteral("non è un numero intero")))
                << box.text.toStdString();
        }
        EXPECT_TRUE(folder.messages.boxes()[0].text.contains(nome));
    }
    EXPECT_TRUE(sentinellaIntatta());
}

TEST_F(TabXParametri, ScriviRewritesAllFourValuesOfAnExistingRowOnly)
{
    ASSERT_TRUE(form->AggiungiParametroInTabX(QStringLiteral("1"), QStringLiteral("2"),
                                              QStringLiteral("Valore"), QStringLiteral("5"),
                                              QStringLiteral("t"), QStringLiteral("01/02/2020"),
                                              QStringLiteral("m"), QStringLiteral("3"), {}));
    ASSERT_TRUE(form->AggiungiParametroInTabX(QStringLiteral("1"), QStringLiteral("3"),
                                              QStringLiteral("Valore"), QStringLiteral("6"),
                                              QStringLiteral("altra situazione"), {}, {}, {}, {}));

    struct Caso
    {
        const char* numero;
        const char* testo;
        const char* data;
        const char* memo;
        const char* atteso;
    } casi[] = {
        {"7,00", "nuovo", "03/03/2006", "memo nuovo",
         "1|2|Valore|7|nuovo|03/03/2006|memo nuovo|3|"},
        {"", "", "", "", "1|2|Valore|||||3|"},
        {"8", "d'altro", "", "",
         "1|2|Valore|8|d\xc2\xb4"
         "altro|||3|"},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.atteso);
        EXPECT_TRUE(form->ScriviParametroInTabX(
            QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("Valore"),
            QString::fromUtf8(c.numero), QString::fromUtf8(c.testo), QString::fromUtf8(c.data),
            QString::fromUtf8(c.memo)));
        const QStringList r = righe();
        ASSERT_EQ(r.size(), 2);
        EXPECT_EQ(r[0], QString::fromUtf8(c.atteso));
        EXPECT_EQ(r[1], QStringLiteral("1|3|Valore|6|altra situazione||||"));
    }
    EXPECT_FALSE(form->ScriviParametroInTabX(QStringLiteral("1"), QStringLiteral("2"),
                                             QStringLiteral("Nuovo"), QStringLiteral("1"), {}, {},
                                             {}));
    EXPECT_FALSE(form->ScriviParametroInTabX(
        QStringLiteral("1"), QString(), QStringLiteral("Valore"), QStringLiteral("1"), {}, {}, {}));
    EXPECT_EQ(righe().size(), 2);
    EXPECT_TRUE(sentinellaIntatta());
}

TEST_F(TabXParametri, AggiornaLoadsTheUsersRowsAndEditsThemOnTheNextLoad)
{
    test::exec(
        controllo,
        QStringLiteral(
            "INSERT INTO TABX VALUES (GEN_ID(CODICETABXCOUNTER,1), 'A', 'B', 'TBX', 'Pieno', 12, "
            "'testo', '2024-12-25', 'memo', 1, 2, 7)"));
    test::exec(
        controllo,
        QStringLiteral(
            "INSERT INTO TABX VALUES (GEN_ID(CODICETABXCOUNTER,1), 'A', 'B', 'ALTRO', 'NonTbx', 1, "
            "'x', NULL, NULL, NULL, NULL, 7)"));
    form->AggiornaParametriTabX();
    EXPECT_EQ(testo(QStringLiteral("Pieno")), QStringLiteral("testo"));
    EXPECT_EQ(memo(QStringLiteral("Pieno")), QStringLiteral("memo"));
    EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Numero")), QStringLiteral("12"));
    EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Data")), QStringLiteral("25/12/2024"));
    EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Livello2")), QStringLiteral("2"));
    EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Utente")), QStringLiteral("7"));
    EXPECT_EQ(testo(QStringLiteral("NonTbx")), QString()) << "only rows of kind TBX are loaded";
    EXPECT_EQ(testo(QStringLiteral("Sentinella")), QString()) << "only the current user's rows";
    const int dopoPrimo = form->MemTabX.recordCount();

    // Only TESTO set: the other fields keep their values. The loads add no second row.
    test::exec(controllo, QStringLiteral("UPDATE TABX SET NUMERO=NULL, DATA=NULL, MEMO=NULL, "
                                         "TESTO='cambiato' WHERE NOME='Pieno'"));
    form->IBTransaction1.restart();
    form->AggiornaParametriTabX();
    EXPECT_EQ(form->MemTabX.recordCount(), dopoPrimo);
    EXPECT_EQ(testo(QStringLiteral("Pieno")), QStringLiteral("cambiato"));
    EXPECT_EQ(memo(QStringLiteral("Pieno")), QStringLiteral("memo"));
    EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Numero")), QStringLiteral("12"));

    // All four empty: all four fields are emptied.
    test::exec(controllo, QStringLiteral("UPDATE TABX SET TESTO=NULL WHERE NOME='Pieno'"));
    form->IBTransaction1.restart();
    form->AggiornaParametriTabX();
    EXPECT_EQ(form->MemTabX.recordCount(), dopoPrimo);
    ASSERT_TRUE(form->MemTabX.locate(QStringLiteral("Nome"), QStringLiteral("Pieno")));
    for (const char* campo : {"Numero", "Testo", "Data", "Memo"})
        EXPECT_EQ(form->MemTabX.asString(QString::fromLatin1(campo)), QString()) << campo;
    EXPECT_EQ(form->MemTabX.asString(QStringLiteral("Livello1")), QStringLiteral("1"));

    // A memory row of another kind with the same name is not the one the load edits.
    form->MemTabX.clearRows();
    aggiungiInMemoria(QStringLiteral("Pieno"), QStringLiteral("mio"), QStringLiteral("GEN"));
    test::exec(controllo, QStringLiteral("UPDATE TABX SET TESTO='dal db' WHERE NOME='Pieno'"));
    form->IBTransaction1.restart();
    form->AggiornaParametriTabX();
    EXPECT_EQ(form->MemTabX.recordCount(), 2);
    EXPECT_EQ(testo(QStringLiteral("Pieno")), QStringLiteral("mio"));
}

TEST_F(TabXParametri, AggiornaStopsAtAValueThatDoesNotFitKeepingTheRowsBefore)
{
    test::exec(
        controllo,
        QStringLiteral(
            "INSERT INTO TABX VALUES (GEN_ID(CODICETABXCOUNTER,1), 'A', 'B', 'TBX', 'Primo', 1, "
            "'uno', NULL, NULL, NULL, NULL, 7)"));
    test::exec(controllo, QStringLiteral("INSERT INTO TABX VALUES (GEN_ID(CODICETABXCOUNTER,1), "
                                         "'A', 'B', 'TBX', 'Decimale', 2.5, "
                                         "'due', NULL, NULL, NULL, NULL, 7)"));
    const int prima = form->MemTabX.recordCount();
    EXPECT_THROW(form->AggiornaParametriTabX(), MemTable::Error);
    EXPECT_EQ(form->MemTabX.recordCount(), prima + 1);
    EXPECT_EQ(testo(QStringLiteral("Primo")), QStringLiteral("uno"));
    EXPECT_EQ(testo(QStringLiteral("Decimale")), QString());
}

TEST_F(TabXParametri, CaricaCopiesTextAndMemoIntoAnExistingMemoryRow)
{
    ASSERT_TRUE(form->AggiungiParametroInTabX(
        QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("Report"), QStringLiteral("5"),
        QStringLiteral("Stampa clienti"), QStringLiteral("01/01/2024"), QStringLiteral("note"), {},
        {}));
    // Not in memory: false, nothing added.
    const int prima = form->MemTabX.recordCount();
    EXPECT_FALSE(form->CaricaParametroDaTabX(QStringLiteral("1"), QStringLiteral("2"),
                                             QStringLiteral("Report")));
    EXPECT_EQ(form->MemTabX.recordCount(), prima);

    aggiungiInMemoria(QStringLiteral("Report"), QStringLiteral("vecchio"));
    EXPECT_FALSE(form->CaricaParametroDaTabX(QStringLiteral("1"), QStringLiteral("9"),
                                             QStringLiteral("Report")));
    EXPECT_EQ(testo(QStringLiteral("Report")), QStringLiteral("vecchio"));
    EXPECT_TRUE(form->CaricaParametroDaTabX(QStringLiteral("1"), QStringLiteral("2"),
                                            QStringLiteral("Report"), QStringLiteral("ignorato"),
                                            {}, {}, {}, {}, {}));
    EXPECT_EQ(testo(QStringLiteral("Report")), QStringLiteral("Stampa clienti"));
    EXPECT_EQ(memo(QStringLiteral("Report")), QStringLiteral("note"));
    EXPECT_TRUE(form->MemTabX.value(QStringLiteral("Numero")).isNull())
        << "the number is not copied";
    EXPECT_TRUE(form->MemTabX.value(QStringLiteral("Data")).isNull()) << "the date is not copied";
}

// Codes, names and values from callers, hostile ones included, are stored as they are (or
// refused as a whole) and never change the statement: the other user's row stays.
TEST_F(TabXParametri, HostileTextsAreStoredAsTheyAreOrRefused)
{
    const QString iniezione = QStringLiteral("'; DELETE FROM TABX; --");
    const QString nonAscii = QStringLiteral("Società d'Àosta € ü");
    enum Campo
    {
        Progetto,
        Nome,
        Testo,
        Memo
    };
    struct Caso
    {
        Campo campo;
        QString valore;
        bool salvato; // false: the engine refuses it (too long for its column) with the box
    } casi[] = {
        {Progetto, iniezione, true},
        {Nome, iniezione, true},
        {Testo, iniezione, true},
        {Memo, iniezione, true},
        {Nome, QStringLiteral("a'b''c"), true},
        {Nome, QStringLiteral("') OR ('1'='1"), true},
        {Nome, nonAscii, true},
        {Testo, nonAscii, true},
        {Memo, QString(40000, QLatin1Char('\'')), true},
        {Nome, QString(101, QLatin1Char('n')), false},
        {Testo, QString(1025, QLatin1Char('t')), false},
    };
    int n = 0;
    for (const Caso& c : casi) {
        SCOPED_TRACE(std::to_string(n) + ": " + c.valore.left(40).toStdString());
        folder.messages.clear();
        const QString progetto = c.campo == Progetto ? c.valore : QStringLiteral("P");
        const QString nome = c.campo == Nome ? c.valore : QStringLiteral("N%1").arg(n);
        const QString testoValore = c.campo == Testo ? c.valore : QStringLiteral("t");
        const QString memoValore = c.campo == Memo ? c.valore : QString();
        const int prima = righe().size();
        EXPECT_EQ(form->AggiungiParametroInTabX(progetto, QStringLiteral("S"), nome, {},
                                                testoValore, {}, memoValore, {}, {}),
                  c.salvato);
        EXPECT_TRUE(sentinellaIntatta());
        if (!c.salvato) {
            EXPECT_EQ(righe().size(), prima);
            ASSERT_EQ(folder.messages.boxes().size(), 1u);
            EXPECT_TRUE(folder.messages.boxes()[0].text.startsWith(
                QStringLiteral("Errore interno di INSERT: impossibile aggiungere il parametro ")));
            ++n;
            continue;
        }
        EXPECT_TRUE(folder.messages.boxes().empty());
        ASSERT_EQ(righe().size(), prima + 1);
        EXPECT_TRUE(form->VerificaEsistenzaInTabX(progetto, QStringLiteral("S"), nome));
        QString atteso = c.valore;
        if (c.campo == Testo || c.campo == Memo)
            atteso.replace(QLatin1Char('\''), kAccento);
        const QStringList campi = righe().last().split(QLatin1Char('|'));
        const int colonna = c.campo == Progetto ? 0
                            : c.campo == Nome   ? 2
                            : c.campo == Testo  ? 4
                                                : 6;
        EXPECT_EQ(campi.value(colonna), atteso);
        // The same texts through the update and the load.
        EXPECT_TRUE(form->ScriviParametroInTabX(progetto, QStringLiteral("S"), nome, {},
                                                testoValore, {}, memoValore));
        EXPECT_TRUE(sentinellaIntatta());
        ++n;
    }
    form->AggiornaParametriTabX();
    EXPECT_EQ(testo(iniezione), QStringLiteral("t"));
    EXPECT_EQ(testo(nonAscii), QStringLiteral("t"));
}

class ConnessioniGenerali : public ::testing::Test
{
protected:
    ConnessioniGenerali() : form(nullptr, 0, folder.environment()) {}
    ProgramFolder folder;
    TTabXForm form;
};

TEST_F(ConnessioniGenerali, EachConnectionOpensTheFileItsRowNames)
{
    // Two archives; each general connection gets the file of the row it is given.
    const QString uno = test::copyTabxTemplate(folder.file(QStringLiteral("dati/uno.fdb")));
    const QString due = folder.file(QStringLiteral("dati/nuovo.fdb"));
    form.Inserisci(QStringLiteral("GEN"), QStringLiteral("Uno"), {}, uno, {}, {}, {}, {}, {});
    form.Inserisci(QStringLiteral("GEN"), QStringLiteral("Due"), {}, due, {}, {}, {}, {}, {});
    folder.messages.clear();

    struct Caso
    {
        void (TTabXForm::*connetti)(const QString&);
        db::Database TTabXForm::*connessione;
        const char* riga;
        QString file;
    } casi[] = {
        {&TTabXForm::ConnettiDatabase1, &TTabXForm::IBDatabase1, "Uno", uno},
        {&TTabXForm::ConnettiDatabase2, &TTabXForm::IBDatabase2, "Due", due},
        {&TTabXForm::ConnettiDatabase3, &TTabXForm::IBDatabase3, "Uno", uno},
        {&TTabXForm::ConnettiDatabase4, &TTabXForm::IBDatabase4, "Due", due},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.riga);
        (form.*c.connetti)(QString::fromUtf8(c.riga));
        EXPECT_TRUE((form.*c.connessione).attached());
        EXPECT_EQ((form.*c.connessione).databaseName(), c.file);
    }
    // The missing file was created once, by the first connection that named it.
    EXPECT_EQ(folder.messages.texts(),
              QStringList{QStringLiteral("Effettuata creazione data base")});
    EXPECT_TRUE(QFile::exists(due));

    // Connecting again moves the connection to the other file.
    form.ConnettiDatabase1(QStringLiteral("Due"));
    EXPECT_EQ(form.IBDatabase1.databaseName(), due);
    EXPECT_TRUE(form.IBDatabase1.attached());
}

TEST_F(ConnessioniGenerali, AFileNameWithQuotesIsThatFile)
{
    // The name reaches the engine as one quoted text: the file is made and opened as named.
    const QString nome = folder.file(QStringLiteral("dati/l'archivio'; DROP DATABASE; --.fdb"));
    folder.makeFolder(QStringLiteral("dati"));
    form.Inserisci(QStringLiteral("GEN"), QStringLiteral("Strano"), {}, nome, {}, {}, {}, {}, {});
    form.ConnettiDatabase4(QStringLiteral("Strano"));
    EXPECT_TRUE(form.IBDatabase4.attached());
    EXPECT_EQ(form.IBDatabase4.databaseName(), nome);
    EXPECT_TRUE(QFile::exists(nome));
    EXPECT_EQ(QDir(folder.file(QStringLiteral("dati"))).entryList(QDir::Files),
              QStringList{QStringLiteral("l'archivio'; DROP DATABASE; --.fdb")});
}

TEST_F(ConnessioniGenerali, AMissingRowMeansArchivioInTheCurrentFolder)
{
    folder.makeFolder(QStringLiteral("corrente"));
    test::CurrentDirectory corrente(folder.file(QStringLiteral("corrente")));
    form.ConnettiDatabase2(QStringLiteral("NessunaRiga"));
    EXPECT_TRUE(form.IBDatabase2.attached());
    EXPECT_EQ(form.IBDatabase2.databaseName(), QStringLiteral("archivio.fdb"));
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("corrente/archivio.fdb"))));
    EXPECT_FALSE(form.IBDatabase1.attached());
}

TEST_F(ConnessioniGenerali, AFileThatCanNeitherBeOpenedNorCreatedIsReported)
{
    // "bloccata" is a file, so nothing can be created below it; the server prompt is cancelled.
    QFile f(folder.file(QStringLiteral("bloccata")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    form.Inserisci(QStringLiteral("GEN"), QStringLiteral("Rotta"), {},
                   folder.file(QStringLiteral("bloccata/ditta.fdb")), {}, {}, {}, {}, {});
    folder.messages.clear();
    folder.messages.onNextDialog([](QDialog& d) {
        d.reject();
        return d.result();
    });
    form.ConnettiDatabase3(QStringLiteral("Rotta"));
    EXPECT_FALSE(form.IBDatabase3.attached());
    ASSERT_FALSE(folder.messages.boxes().empty());
    EXPECT_EQ(folder.messages.boxes().back().kind, BoxKind::Error);
    EXPECT_EQ(folder.messages.boxes().back().text, QStringLiteral("Errore apertura archivio"));
}

} // namespace
