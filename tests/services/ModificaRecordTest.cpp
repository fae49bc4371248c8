#include "db/DbError.h"
#include "db/TableDataSet.h"
#include "services/PostazioniModifica.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace velkora;
using platform::BoxKind;
using test::clientiSalvati;
using test::coloreFigura;
using test::kAltriUtenti;
using test::kRosso;
using test::kVerde;
using test::Postazione;
using test::unicoBox;

namespace {

const QStringList kIniziali = {QStringLiteral("1:Anna"), QStringLiteral("2:Bruno"),
                               QStringLiteral("3:Carla")};

// Two workstations on one customers table, both attached in-process by the embedded engine.
class ModificaRecord : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = test::copyTemplate(dir.filePath(QStringLiteral("ditta.fdb")));
        ASSERT_FALSE(path.isEmpty());
        test::creaClienti(path);
        a = std::make_unique<Postazione>(path, QStringLiteral("Mario Rossi"));
        b = std::make_unique<Postazione>(path, QStringLiteral("Giulia Bianchi"));
    }

    int contaUtenti()
    {
        db::Database d;
        test::attach(d, path);
        db::Transaction t(&d);
        db::Query q(&d, &t);
        q.add(QStringLiteral("SELECT COUNT(*) FROM UTENTI"));
        q.open();
        return static_cast<int>(q.asInteger(0));
    }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<Postazione> a;
    std::unique_ptr<Postazione> b;
};

TEST_F(ModificaRecord, HeldRowIsRefusedAtOnceNamingItsHolderAndFreedBySaving)
{
    test::scenarioRigaTenuta(*a, *b, path);
}

TEST_F(ModificaRecord, DeletionOfAHeldRowIsRefusedAndTheRowStays)
{
    test::scenarioCancellazioneTenuta(*a, *b, path);
}

TEST_F(ModificaRecord, RowDeletedByAnotherCannotBeEdited)
{
    test::scenarioCancellataPoiModificata(*a, *b, path);
}

// a edits a row it read before b deleted it (no lock probe ran, as in a window that posts
// straight away): saving it writes nothing, says that the row was deleted by another user,
// does not make the row again, and does not turn the button green. Both ways of saving: the
// save button and the refresh button answered Yes.
TEST_F(ModificaRecord, SavingARowDeletedByAnotherSaysSoAndSavesNothing)
{
    const struct
    {
        const char* name;
        bool domanda; // the refresh button asks first
        std::function<void(Postazione&)> call;
    } cases[] = {
        {"ChiudiTransazione", false, [](Postazione& p) { p.salvaSolo(); }},
        {"AggiornamentoDaPulsante", true, [](Postazione& p) { p.aggiornaDaPulsante(); }},
    };
    int codice = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        a->data.open();
        ASSERT_TRUE(a->vaiA(codice));
        test::exec(b->form.IBDatabase1,
                   QStringLiteral("DELETE FROM CLIENTI WHERE CODICE = %1").arg(codice));
        // a's transaction begins after the deletion (one begun before it meets the engine's
        // update conflict instead): the row is simply no longer there.
        a->form.IBTransaction1.restart();
        const QStringList rimasti = clientiSalvati(path);
        a->data.edit();
        a->data.setField(QStringLiteral("NOME"), QStringLiteral("Modificato"));
        // Dirty, without a picture: any picture afterwards is one the save put there.
        setTagPulsante(a->salva, 1);
        a->salva.setIcon(QIcon());
        if (c.domanda)
            a->folder.messages.answerNext(true);
        EXPECT_THROW(c.call(*a), platform::SilentAbort);
        const auto& boxes = a->folder.messages.boxes();
        ASSERT_EQ(boxes.size(), c.domanda ? 2u : 1u) << a->folder.messages.texts().join(u'|').toStdString();
        EXPECT_EQ(boxes.back().kind, BoxKind::Warning);
        EXPECT_EQ(boxes.back().text, test::kGiaCancellato);
        a->folder.messages.clear();
        EXPECT_EQ(tagPulsante(a->salva), 1) << "nothing was saved";
        EXPECT_TRUE(a->salva.icon().isNull());
        EXPECT_EQ(a->data.state(), db::QueryDataSet::State::Browse);
        EXPECT_FALSE(a->vaiA(codice)) << "the row left the dataset too";
        // Saving again commits what else was pending and does not make the row again.
        a->salvaEAggiorna();
        EXPECT_EQ(tagPulsante(a->salva), 0);
        EXPECT_EQ(clientiSalvati(path), rimasti);
        EXPECT_TRUE(a->folder.messages.boxes().empty());
        ++codice;
    }
}

// Without changes pending (tag 0) cancel, close and the refresh button ask nothing; cancel and
// close change nothing either.
TEST_F(ModificaRecord, CleanWindowIsNeverAsked)
{
    const struct
    {
        const char* name;
        std::function<void(Postazione&)> call;
    } cases[] = {
        {"Annulla", [](Postazione& p) { p.annulla(); }},
        {"Chiudi", [](Postazione& p) { p.chiudi(); }},
        {"AggiornamentoDaPulsante", [](Postazione& p) { p.aggiornaDaPulsante(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(a->vaiA(2));
        c.call(*a); // an unscripted question would throw
        EXPECT_TRUE(a->folder.messages.boxes().empty());
        EXPECT_EQ(tagPulsante(a->salva), 0);
        EXPECT_EQ(clientiSalvati(path), kIniziali);
    }
}

TEST_F(ModificaRecord, AnnullaAsksAndOnYesDropsTheChangesAndTheLock)
{
    ASSERT_TRUE(a->vaiA(2));
    ASSERT_TRUE(a->modifica(QStringLiteral("Bruna")));
    a->folder.messages.answerNext(false);
    a->annulla();
    unicoBox(*a, BoxKind::Confirmation,
             QStringLiteral("Conferma l'annullamento delle modifiche apportate?"));
    EXPECT_EQ(tagPulsante(a->salva), 1);
    EXPECT_EQ(coloreFigura(a->salva), kRosso);
    EXPECT_EQ(a->data.asString(QStringLiteral("NOME")), QStringLiteral("Bruna"));

    a->folder.messages.answerNext(true);
    a->annulla();
    unicoBox(*a, BoxKind::Confirmation,
             QStringLiteral("Conferma l'annullamento delle modifiche apportate?"));
    EXPECT_EQ(tagPulsante(a->salva), 0);
    EXPECT_EQ(coloreFigura(a->salva), kVerde);
    ASSERT_TRUE(a->vaiA(2));
    EXPECT_EQ(a->data.asString(QStringLiteral("NOME")), QStringLiteral("Bruno"));
    ASSERT_TRUE(b->vaiA(2));
    EXPECT_TRUE(b->prova()) << "the lock outlived the cancel";
    EXPECT_EQ(clientiSalvati(path), kIniziali);
}

TEST_F(ModificaRecord, ChiudiOnNoRollsBackAndOnYesLeavesTheTransactionToTheCaller)
{
    ASSERT_TRUE(a->vaiA(1));
    ASSERT_TRUE(a->modifica(QStringLiteral("Annalisa")));
    a->folder.messages.answerNext(true);
    a->chiudi();
    unicoBox(*a, BoxKind::Confirmation, QStringLiteral("Salvare le modifiche apportate?"));
    EXPECT_TRUE(a->form.IBTransaction1.active());
    EXPECT_EQ(tagPulsante(a->salva), 1);
    ASSERT_TRUE(b->vaiA(1));
    EXPECT_FALSE(b->prova());
    b->folder.messages.clear();

    a->folder.messages.answerNext(false);
    a->chiudi();
    unicoBox(*a, BoxKind::Confirmation, QStringLiteral("Salvare le modifiche apportate?"));
    EXPECT_EQ(tagPulsante(a->salva), 1); // the window is closing: its state is left alone
    EXPECT_EQ(clientiSalvati(path), kIniziali);
    b->salvaEAggiorna();
    ASSERT_TRUE(b->vaiA(1));
    EXPECT_TRUE(b->prova());
}

TEST_F(ModificaRecord, RefreshButtonSavesThePendingEditOnYesAndDropsItOnNo)
{
    const QString domanda = QStringLiteral("Attenzione: sono state fatte delle modifiche che non "
                                           "sono state ancora salvate. Prima di aggiornare "
                                           "la griglia si desidera salvare gli aggiornamenti?");
    struct Case
    {
        bool save;
        QStringList stored;
    };
    for (const Case& c :
         {Case{false, kIniziali},
          Case{true,
               {QStringLiteral("1:Anna"), QStringLiteral("2:Nuovo"), QStringLiteral("3:Carla")}}}) {
        SCOPED_TRACE(c.save ? "Yes" : "No");
        a->form.AggiornaTabella(a->data, {},
                                false); // a fresh look after b's probe of the last round
        ASSERT_TRUE(a->vaiA(2));
        ASSERT_TRUE(a->prova());
        a->data.edit();
        a->data.setField(QStringLiteral("NOME"),
                         QStringLiteral("Nuovo")); // still in the edit, not posted
        a->folder.messages.answerNext(c.save);
        a->aggiornaDaPulsante();
        unicoBox(*a, BoxKind::Confirmation, domanda);
        EXPECT_EQ(tagPulsante(a->salva), 0);
        EXPECT_EQ(coloreFigura(a->salva), kVerde);
        EXPECT_EQ(a->data.state(), db::QueryDataSet::State::Browse);
        EXPECT_EQ(clientiSalvati(path), c.stored);
        EXPECT_EQ(a->data.asString(QStringLiteral("CODICE")), QStringLiteral("2"));
        ASSERT_TRUE(b->vaiA(2));
        b->form.IBTransaction1.restart();
        EXPECT_TRUE(b->prova()) << "the lock outlived the refresh";
        b->salvaEAggiorna();
    }
}

TEST_F(ModificaRecord, SaveOnAClosedDatasetCommitsAndLeavesTheBookmark)
{
    ASSERT_TRUE(a->vaiA(3));
    ASSERT_TRUE(a->modifica(QStringLiteral("Carla Neri")));
    a->data.close();
    a->segnalibro = {QStringLiteral("2"), 1};
    a->valido = true;
    a->salvaSolo();
    EXPECT_FALSE(a->valido);
    EXPECT_EQ(a->segnalibro.chiave, QStringLiteral("2"));
    EXPECT_EQ(a->segnalibro.riga, 1);
    EXPECT_FALSE(a->form.IBTransaction1.active());
    EXPECT_EQ(tagPulsante(a->salva), 0);
    EXPECT_EQ(clientiSalvati(path).value(2), QStringLiteral("3:Carla Neri"));
}

TEST_F(ModificaRecord, SaveAndRefreshReturnsToTheSavedRowByItsKey)
{
    ASSERT_TRUE(a->vaiA(2));
    ASSERT_TRUE(a->modifica(QStringLiteral("Bea")));
    // Another user adds rows before it meanwhile: the row moves down in the grid.
    test::exec(b->form.IBDatabase1,
               QStringLiteral("INSERT INTO CLIENTI (CODICE, NOME) VALUES (0, 'Zeno')"));
    a->salvaEAggiorna();
    EXPECT_TRUE(a->valido);
    EXPECT_EQ(a->segnalibro.chiave, QStringLiteral("2"));
    EXPECT_EQ(a->data.recordCount(), 4);
    EXPECT_EQ(a->data.asString(QStringLiteral("CODICE")), QStringLiteral("2"));
    EXPECT_EQ(a->data.asString(QStringLiteral("NOME")), QStringLiteral("Bea"));
}

TEST_F(ModificaRecord, RefreshStaysOnTheFirstRowWithoutOrWithAVanishedBookmark)
{
    const struct
    {
        Segnalibro bookmark;
        bool go;
        const char* expected;
    } cases[] = {
        {{QStringLiteral("3"), 2}, false, "1"},
        {{QStringLiteral("3"), 2}, true, "3"},
        {{QStringLiteral("99"), 2}, true, "1"},
        {{QString(), -1}, true, "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bookmark.chiave.toStdString() + (c.go ? " go" : " stay"));
        ASSERT_TRUE(a->vaiA(2));
        a->form.AggiornaTabella(a->data, c.bookmark, c.go);
        EXPECT_EQ(a->data.asString(QStringLiteral("CODICE")), QLatin1String(c.expected));
    }
}

TEST_F(ModificaRecord, EliminaCases)
{
    // No: nothing happens.
    ASSERT_TRUE(a->vaiA(2));
    a->folder.messages.answerNext(false);
    EXPECT_FALSE(a->elimina());
    unicoBox(*a, BoxKind::Confirmation, QStringLiteral("Conferma la cacellazione del record?"));
    EXPECT_EQ(clientiSalvati(path), kIniziali);

    // Yes: deleted, committed, the grid read again.
    ASSERT_TRUE(a->vaiA(2));
    a->folder.messages.answerNext(true);
    EXPECT_TRUE(a->elimina());
    unicoBox(*a, BoxKind::Confirmation, QStringLiteral("Conferma la cacellazione del record?"));
    EXPECT_EQ(clientiSalvati(path),
              (QStringList{QStringLiteral("1:Anna"), QStringLiteral("3:Carla")}));
    EXPECT_EQ(a->data.recordCount(), 2);
    EXPECT_FALSE(a->vaiA(2));
    EXPECT_EQ(tagPulsante(a->salva), 0);
    EXPECT_EQ(coloreFigura(a->salva), kVerde);

    // A row another user deleted since this grid was read.
    ASSERT_TRUE(a->vaiA(1));
    test::exec(b->form.IBDatabase1, QStringLiteral("DELETE FROM CLIENTI WHERE CODICE = 1"));
    a->folder.messages.answerNext(true);
    EXPECT_FALSE(a->elimina());
    test::ultimoBox(*a, BoxKind::Warning, test::kGiaCancellato);

    // An empty table: told so, nothing asked.
    test::exec(b->form.IBDatabase1, QStringLiteral("DELETE FROM CLIENTI"));
    EXPECT_FALSE(a->elimina());
    unicoBox(*a, BoxKind::Information, QStringLiteral("La tabella è vuota"));
    EXPECT_TRUE(clientiSalvati(path).isEmpty());
}

TEST_F(ModificaRecord, AzzeraEmptiesTheNamedTableOnYesOnly)
{
    a->folder.messages.answerNext(false);
    a->azzera(QStringLiteral("CLIENTI"));
    unicoBox(*a, BoxKind::Confirmation, QStringLiteral("Confermare l'azzeramento della tabella?"));
    EXPECT_EQ(clientiSalvati(path), kIniziali);

    // A row held by another user: the whole emptying fails and nothing is committed.
    ASSERT_TRUE(b->vaiA(3));
    ASSERT_TRUE(b->prova());
    a->folder.messages.answerNext(true);
    a->azzera(QStringLiteral("CLIENTI"));
    const QString detail =
        test::ultimoBox(*a, BoxKind::Plain, QStringLiteral("Impossibile azzerare la tabella!"));
    EXPECT_TRUE(detail.contains(QStringLiteral("utente Giulia Bianchi"))) << detail.toStdString();
    EXPECT_EQ(clientiSalvati(path), kIniziali);

    b->salvaEAggiorna();
    a->form.IBTransaction1.restart();
    a->folder.messages.answerNext(true);
    a->azzera(QStringLiteral("CLIENTI"));
    unicoBox(*a, BoxKind::Confirmation, QStringLiteral("Confermare l'azzeramento della tabella?"));
    EXPECT_TRUE(clientiSalvati(path).isEmpty());
    EXPECT_TRUE(a->data.isEmpty());
    EXPECT_EQ(tagPulsante(a->salva), 0);
}

// Names from the caller go into the statements as they are, so only plain identifiers pass:
// the others get an error box and nothing runs.
TEST_F(ModificaRecord, HostileTableNamesAreRefusedAndRunNothing)
{
    const int utenti = contaUtenti();
    const QString nomi[] = {
        QString(),
        QStringLiteral("CLIENTI; DELETE FROM UTENTI"),
        QStringLiteral("'; DELETE FROM UTENTI; --"),
        QStringLiteral("CLIENTI--"),
        QStringLiteral("\"CLIENTI\""),
        QStringLiteral("CLIENTI WHERE 1=1"),
        QString(300, QLatin1Char('A')),
        QStringLiteral("Città"),
    };
    for (const QString& nome : nomi) {
        SCOPED_TRACE(nome.toStdString());
        ASSERT_TRUE(a->vaiA(1));
        EXPECT_FALSE(a->prova(nome));
        a->azzera(nome); // refused before any question
        ASSERT_EQ(a->folder.messages.boxes().size(), 2u);
        for (const auto& box : a->folder.messages.boxes()) {
            EXPECT_EQ(box.kind, BoxKind::Error);
            EXPECT_TRUE(box.text.startsWith(QStringLiteral("Nome di tabella non valido")))
                << box.text.toStdString();
        }
        a->folder.messages.clear();
        EXPECT_EQ(tagPulsante(a->salva), 0);
    }
    ASSERT_TRUE(b->vaiA(1));
    EXPECT_TRUE(b->prova()) << "a refused probe took a lock";
    EXPECT_EQ(contaUtenti(), utenti);
    EXPECT_EQ(clientiSalvati(path), kIniziali);
}

TEST_F(ModificaRecord, KeyFieldNameMustBePlainAndKeyValuesAreBound)
{
    // A key field whose name is not plain is refused.
    a->data.setSql(
        {QStringLiteral("SELECT CODICE AS \"co dice\", NOME FROM CLIENTI ORDER BY CODICE")});
    a->data.open();
    EXPECT_FALSE(a->prova());
    ASSERT_EQ(a->folder.messages.boxes().size(), 1u);
    EXPECT_EQ(a->folder.messages.boxes().front().kind, BoxKind::Error);
    EXPECT_TRUE(a->folder.messages.boxes().front().text.startsWith(
        QStringLiteral("Nome del campo chiave non valido")));
    a->folder.messages.clear();

    // Text keys, hostile ones included, lock exactly their own row.
    const int utenti = contaUtenti();
    test::exec(
        a->form.IBDatabase1,
        QStringLiteral(
            "CREATE TABLE CODICI (CHIAVE VARCHAR(300) NOT NULL PRIMARY KEY, NOTE VARCHAR(20))"));
    a->form.IBTransaction1.restart();
    const QString chiavi[] = {
        QStringLiteral("'; DELETE FROM UTENTI; --"),
        QStringLiteral("L'Aquila"),
        QStringLiteral("Città d'Ò"),
        QString(300, QLatin1Char('\'')),
        QStringLiteral("1 OR 1=1"),
    };
    for (const QString& chiave : chiavi) {
        db::Query q(&a->form.IBDatabase1, &a->form.IBTransaction1);
        q.add(QStringLiteral("INSERT INTO CODICI (CHIAVE, NOTE) VALUES (:CHIAVE, 'x')"));
        q.setParam(QStringLiteral("CHIAVE"), chiave);
        q.execSql();
    }
    a->form.IBTransaction1.commit();
    for (Postazione* p : {a.get(), b.get()}) {
        p->data.setSql({QStringLiteral("SELECT CHIAVE, NOTE FROM CODICI")});
        p->form.IBTransaction1.restart();
        p->data.open();
    }
    for (const QString& chiave : chiavi) {
        SCOPED_TRACE(chiave.left(40).toStdString());
        ASSERT_TRUE(a->data.locate(QStringLiteral("CHIAVE"), chiave));
        EXPECT_TRUE(a->prova(QStringLiteral("CODICI")));
        EXPECT_TRUE(a->folder.messages.boxes().empty());
        ASSERT_TRUE(b->data.locate(QStringLiteral("CHIAVE"), chiave));
        EXPECT_FALSE(b->prova(QStringLiteral("CODICI")));
        unicoBox(*b, BoxKind::Warning, kAltriUtenti);
    }
    // Every row is held by a, and by a alone: "1 OR 1=1" did not lock the others early.
    a->salvaSolo();
    EXPECT_EQ(contaUtenti(), utenti);
}

// A dataset bound to a whole table: products with a computed column, a descending index on the
// description defined first and one on the code after it.
class TabellaIntera : public ModificaRecord
{
protected:
    void SetUp() override
    {
        ModificaRecord::SetUp();
        for (const char* sql :
             {"CREATE TABLE PRODOTTI (CODICE INTEGER NOT NULL, DESCRIZIONE VARCHAR(40), "
              "DOPPIO COMPUTED BY (CODICE * 2))",
              "CREATE DESCENDING INDEX PRODOTTI_DESCRIZIONE ON PRODOTTI (DESCRIZIONE)",
              "CREATE INDEX PRODOTTI_CODICE ON PRODOTTI (CODICE)",
              "CREATE TABLE \"Listino Prezzi\" (CODICE INTEGER NOT NULL, PREZZO INTEGER)"})
            test::exec(a->form.IBDatabase1, QLatin1String(sql));
        for (const char* riga : {"1, 'Bulloni'", "2, 'Chiodi'", "3, 'Anelli'"})
            test::exec(a->form.IBDatabase1,
                       QStringLiteral("INSERT INTO PRODOTTI (CODICE, DESCRIZIONE) VALUES (%1)")
                           .arg(QLatin1String(riga)));
        test::exec(a->form.IBDatabase1,
                   QStringLiteral("INSERT INTO \"Listino Prezzi\" VALUES (1, 100)"));
        a->form.IBTransaction1.restart();
        prodotti.setDatabase(&a->form.IBDatabase1);
        prodotti.setTransaction(&a->form.IBTransaction1);
        prodotti.setTableName(QStringLiteral("prodotti"));
        prodotti.open();
    }

    QStringList prodottiSalvati()
    {
        db::Database lettore;
        test::attach(lettore, path);
        db::Transaction t(&lettore);
        db::Query q(&lettore, &t);
        q.add(QStringLiteral("SELECT CODICE, DESCRIZIONE, DOPPIO FROM PRODOTTI ORDER BY CODICE"));
        q.open();
        QStringList righe;
        for (; !q.eof(); q.next())
            righe << q.asString(0) + u':' + q.asString(1) + u':' + q.asString(2);
        return righe;
    }

    QStringList codiciInVista()
    {
        QStringList codici;
        for (int r = 0; r < prodotti.recordCount(); ++r)
            codici << prodotti.valueAt(r, 0).toString();
        return codici;
    }

    db::TableDataSet prodotti;
};

TEST_F(TabellaIntera, RefreshOrdersByTheFirstIndexAndStaysOnTheRow)
{
    EXPECT_EQ(codiciInVista(), (QStringList{"1", "2", "3"}));
    ASSERT_TRUE(prodotti.locate(QStringLiteral("CODICE"), QStringLiteral("1")));
    a->form.AggiornaTabella(prodotti, {QStringLiteral("1"), 0}, true);
    EXPECT_EQ(prodotti.indexName(), QStringLiteral("PRODOTTI_DESCRIZIONE"));
    // Chiodi, Bulloni, Anelli: the index is descending.
    EXPECT_EQ(codiciInVista(), (QStringList{"2", "1", "3"}));
    EXPECT_EQ(prodotti.asString(QStringLiteral("CODICE")), QStringLiteral("1"));
    // Another user's row appears in its place at the next refresh.
    test::exec(b->form.IBDatabase1,
               QStringLiteral("INSERT INTO PRODOTTI (CODICE, DESCRIZIONE) VALUES (4, 'Dadi')"));
    a->form.AggiornaTabella(prodotti, {QStringLiteral("3"), 2}, true);
    EXPECT_EQ(codiciInVista(), (QStringList{"4", "2", "1", "3"}));
    EXPECT_EQ(prodotti.asString(QStringLiteral("CODICE")), QStringLiteral("3"));
}

TEST_F(TabellaIntera, EditsNewRowsAndDeletionsAreWrittenToTheTable)
{
    ASSERT_TRUE(prodotti.locate(QStringLiteral("CODICE"), QStringLiteral("2")));
    a->form.EventoBeforeEditDataSet(prodotti, a->salva, QStringLiteral("PRODOTTI"));
    EXPECT_EQ(tagPulsante(a->salva), 1);
    prodotti.edit();
    prodotti.setField(QStringLiteral("DESCRIZIONE"), QStringLiteral("Chiodi d'acciaio"));
    prodotti.post();
    prodotti.append();
    prodotti.setField(QStringLiteral("CODICE"), 7);
    prodotti.setField(QStringLiteral("DESCRIZIONE"), QStringLiteral("Viti"));
    prodotti.post();
    a->form.ChiudiTransEAggiorna(prodotti, a->segnalibro, a->valido, a->salva);
    EXPECT_EQ(prodottiSalvati(),
              (QStringList{"1:Bulloni:2", "2:Chiodi d'acciaio:4", "3:Anelli:6", "7:Viti:14"}));
    EXPECT_EQ(prodotti.asString(QStringLiteral("CODICE")), QStringLiteral("7"));
    EXPECT_EQ(tagPulsante(a->salva), 0);

    ASSERT_TRUE(prodotti.locate(QStringLiteral("CODICE"), QStringLiteral("1")));
    a->folder.messages.answerNext(true);
    EXPECT_TRUE(a->form.Elimina(prodotti, a->segnalibro, a->valido, a->salva));
    EXPECT_EQ(prodottiSalvati(), (QStringList{"2:Chiodi d'acciaio:4", "3:Anelli:6", "7:Viti:14"}));
}

// A table dataset empties its own table: the name given, whatever it holds, is not used.
TEST_F(TabellaIntera, AzzeraEmptiesTheDatasetsOwnTableWhateverNameIsGiven)
{
    const int utenti = contaUtenti();
    for (const QString& nome :
         {QStringLiteral("CLIENTI"), QStringLiteral("'; DELETE FROM UTENTI; --"), QString()}) {
        SCOPED_TRACE(nome.toStdString());
        test::exec(
            b->form.IBDatabase1,
            QStringLiteral("INSERT INTO PRODOTTI (CODICE, DESCRIZIONE) VALUES (9, 'Rondelle')"));
        a->folder.messages.answerNext(true);
        a->form.Azzera(prodotti, a->segnalibro, a->valido, a->salva, nome);
        unicoBox(*a, BoxKind::Confirmation,
                 QStringLiteral("Confermare l'azzeramento della tabella?"));
        EXPECT_TRUE(prodottiSalvati().isEmpty());
        EXPECT_TRUE(prodotti.active());
        EXPECT_TRUE(prodotti.isEmpty());
    }
    EXPECT_EQ(clientiSalvati(path), kIniziali);
    EXPECT_EQ(contaUtenti(), utenti);
}

// The table's name is always placed between double quotes: a plain name in any case finds the
// table created without quotes, another finds only the table of exactly that name.
TEST_F(TabellaIntera, TableNamesAreQuotedAndCannotChangeTheStatement)
{
    const int utenti = contaUtenti();
    const struct
    {
        QString nome;
        int righe; // -1: the table does not exist
    } cases[] = {
        {QStringLiteral("Prodotti"), 3},
        {QStringLiteral("Listino Prezzi"), 1},
        {QStringLiteral("LISTINO PREZZI"), -1},
        {QStringLiteral("PRODOTTI\" WHERE 1=0 --"), -1},
        {QStringLiteral("'; DELETE FROM UTENTI; --"), -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nome.toStdString());
        db::TableDataSet tabella(&a->form.IBDatabase1, &a->form.IBTransaction1);
        tabella.setTableName(c.nome);
        if (c.righe < 0) {
            EXPECT_THROW(tabella.open(), db::DbError);
            EXPECT_THROW(tabella.emptyTable(), db::DbError);
        } else {
            tabella.open();
            EXPECT_EQ(tabella.recordCount(), c.righe);
        }
        a->form.IBTransaction1.restart();
    }
    EXPECT_EQ(prodottiSalvati().size(), 3);
    EXPECT_EQ(contaUtenti(), utenti);
}

} // namespace
