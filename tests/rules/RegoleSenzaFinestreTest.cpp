// The rules of the data form in a program without Qt Widgets: the units of the typed
// parameters, of record editing and of the key generators, made without a data form, on real
// embedded databases. This program links the rules library and Qt Core only, so a rule that
// reached for a widget would not even link here.

#include "db/Database.h"
#include "db/Query.h"
#include "db/QueryDataSet.h"
#include "db/Transaction.h"
#include "db/UpdateSql.h"
#include "platform/MessageService.h"
#include "platform/SilentAbort.h"
#include "services/Generatori.h"
#include "services/IndicatoreSalva.h"
#include "services/ModificaRecord.h"
#include "storage/ContestoDati.h"
#include "support/Clienti.h"
#include "support/TestDatabase.h"
#include "tabx/MemTable.h"
#include "tabx/ParametriTabX.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

using namespace velkora;

namespace {

// The boxes a unit showed, kind and text; a confirmation takes the queued answer (no when none).
class BoxRegistrati : public platform::MessageService
{
public:
    int execDialog(QDialog&) override
    {
        ADD_FAILURE() << "a rule asked for a dialog";
        return 0;
    }
    QStringList testi;
    std::vector<bool> risposte;

protected:
    bool present(platform::BoxKind, const QString& text, const QString&, QWidget*) override
    {
        testi << text;
        if (risposte.empty())
            return false;
        const bool si = risposte.front();
        risposte.erase(risposte.begin());
        return si;
    }
};

// A save button without a button: the states it was given, as "tag:picture".
class StatiSalva : public IndicatoreSalva
{
public:
    int tag() const override { return m_tag; }
    void imposta(int tag, const QString& figura) override
    {
        m_tag = tag;
        stati << QString::number(tag) + u':' + figura;
    }
    QStringList stati;

private:
    int m_tag = 0;
};

// What a data form would hold: its surroundings and its public fields.
struct Campi
{
    BoxRegistrati box;
    platform::Environment ambiente{QStringLiteral("/nessuna/cartella/"), &box};
    qint32 numUser = 7;
    QString nomeUser = QStringLiteral("Mario Rossi");
    QString ditta;
    QString verde = QStringLiteral("verde.bmp");
    QString rosso = QStringLiteral("rosso.bmp");
    ContestoDati contesto{ambiente, nullptr, {&numUser, &nomeUser, &ditta, &verde, &rosso}};
};

TEST(RegoleSenzaFinestre, TypedParametersFollowTheUserTheFormHoldsAtEachCall)
{
    QTemporaryDir cartella;
    const QString archivio = test::copyTabxTemplate(cartella.filePath(QStringLiteral("tabx.fdb")));
    ASSERT_FALSE(archivio.isEmpty());
    Campi campi;
    MemTable memoria;
    memoria.setFields(ParametriTabX::campi());
    memoria.open();
    db::Database database;
    db::Transaction transazione(&database);
    transazione.params() = {QStringLiteral("isc_tpb_concurrency"), QStringLiteral("isc_tpb_nowait")};
    test::attach(database, archivio);
    ParametriTabX parametri(memoria, database, transazione, campi.contesto);
    parametri.Inserisci(QStringLiteral("TBX"), QStringLiteral("Banca"), {}, {}, {}, {}, {}, {}, {});

    // Each user stores his own value under the same keys; the unit was made once, before.
    const std::pair<qint32, QString> valori[] = {{7, QStringLiteral("Banca d'Italia")},
                                                 {8, QStringLiteral("'; DELETE FROM TABX; --")}};
    for (const auto& [utente, testo] : valori) {
        SCOPED_TRACE(utente);
        campi.numUser = utente;
        EXPECT_FALSE(parametri.VerificaEsistenzaInTabX(QStringLiteral("P"), QStringLiteral("S"),
                                                       QStringLiteral("Banca")));
        EXPECT_TRUE(parametri.AggiungiParametroInTabX(QStringLiteral("P"), QStringLiteral("S"),
                                                      QStringLiteral("Banca"), {}, testo, {}, {},
                                                      {}, {}));
    }
    campi.numUser = 7;
    ASSERT_TRUE(parametri.CaricaParametroDaTabX(QStringLiteral("P"), QStringLiteral("S"),
                                                QStringLiteral("Banca")));
    EXPECT_EQ(parametri.GetV(QStringLiteral("Banca")), QStringLiteral("Banca d´Italia"));

    // What was committed, seen from an attachment of its own.
    db::Database controllo;
    test::attach(controllo, archivio);
    EXPECT_EQ(test::rows(controllo, QStringLiteral("SELECT UTENTE, TESTO FROM TABX ORDER BY UTENTE")),
              (QStringList{QStringLiteral("7|Banca d´Italia"),
                           QStringLiteral("8|´; DELETE FROM TABX; --")}));
    EXPECT_TRUE(campi.box.testi.isEmpty()) << campi.box.testi.join(u'|').toStdString();
}

// A customers table 1 "Anna", 2 "Bruno", 3 "Carla" and its generator at 41, edited through a
// query dataset as a data window edits it, by the units alone.
struct Banco
{
    Banco()
    {
        path = test::copyTemplate(cartella.filePath(QStringLiteral("ditta.fdb")));
        test::creaClienti(path);
        db::Database setup;
        test::attach(setup, path);
        test::exec(setup, QStringLiteral("CREATE GENERATOR GEN_CLIENTI"));
        test::exec(setup, QStringLiteral("SET GENERATOR GEN_CLIENTI TO 41"));
        transazione.params() = {QStringLiteral("isc_tpb_concurrency"),
                                QStringLiteral("isc_tpb_nowait")};
        database.setDefaultTransaction(&transazione);
        test::attach(database, path);
        test::datiClienti(data, holder);
        data.open();
    }

    // The committed rows, read through an attachment of its own.
    QStringList salvati()
    {
        db::Database lettore;
        test::attach(lettore, path);
        return test::rows(lettore,
                          QStringLiteral("SELECT CODICE, NOME FROM CLIENTI ORDER BY CODICE"));
    }

    QTemporaryDir cartella;
    QString path;
    Campi campi;
    db::Database database;
    db::Transaction transazione{&database};
    db::UpdateSql holder;
    db::QueryDataSet data{&database, &transazione};
    // No connection of a form: the lock probe is made for each edit.
    ModificaRecord modifica{campi.contesto, {}};
    Generatori generatori{modifica, database};
    StatiSalva salva;
    Segnalibro segnalibro;
    bool valido = false;
};

TEST(RegoleSenzaFinestre, TheSaveStateFollowsWhatIsCommitted)
{
    const QStringList tre = {QStringLiteral("1|Anna"), QStringLiteral("2|Bruno"),
                             QStringLiteral("3|Carla")};
    const QString verde = QStringLiteral("0:verde.bmp");
    const QString rosso = QStringLiteral("1:rosso.bmp");
    struct Caso
    {
        const char* nome;
        std::function<void(Banco&)> azione;
        QStringList stati;   // the states the button was given, in order
        QStringList salvati; // the committed rows afterwards
        QStringList box;
    } casi[] = {
        {"a key from the generator is posted, not committed: the button turns red",
         [](Banco& b) {
             b.generatori.NuovoIntSuGeneratore(b.data, b.segnalibro, b.valido, b.salva,
                                               QStringLiteral("GEN_CLIENTI"));
         },
         {verde, rosso}, tre, {}},
        {"then saved: committed, and green",
         [](Banco& b) {
             b.generatori.NuovoIntSuGeneratore(b.data, b.segnalibro, b.valido, b.salva,
                                               QStringLiteral("GEN_CLIENTI"));
             b.modifica.ChiudiTransazione(b.data, b.segnalibro, b.valido, b.salva);
         },
         {verde, rosso, verde}, tre + QStringList{QStringLiteral("42|")}, {}},
        {"the lock probe of a row another user deleted leaves the button as it was",
         [](Banco& b) {
             // The window saved (its transaction ended) and still shows the rows it read.
             b.modifica.ChiudiTransazione(b.data, b.segnalibro, b.valido, b.salva);
             db::Database altro;
             test::attach(altro, b.path);
             test::exec(altro, QStringLiteral("DELETE FROM CLIENTI WHERE CODICE=2"));
             ASSERT_TRUE(b.data.locate(QStringLiteral("CODICE"), QStringLiteral("2")));
             EXPECT_THROW(b.modifica.EventoBeforeEditDataSet(b.data, b.salva,
                                                             QStringLiteral("CLIENTI")),
                          platform::SilentAbort);
         },
         {verde}, {QStringLiteral("1|Anna"), QStringLiteral("3|Carla")},
         {QStringLiteral("Questo record è già stato cancellato da un altro utente in un'altra "
                         "sessione di lavoro")}},
        {"a refused generator name runs nothing and leaves the button as it was",
         [](Banco& b) {
             b.generatori.NuovoIntSuGeneratore(b.data, b.segnalibro, b.valido, b.salva,
                                               QStringLiteral("GEN_CLIENTI; DROP TABLE CLIENTI"));
         },
         {}, tre,
         {QStringLiteral("Nome di generatore non valido: \"GEN_CLIENTI; DROP TABLE CLIENTI\". "
                         "Sono ammessi solo lettere, cifre, \"_\" e \"$\", iniziando con una "
                         "lettera; non è stata eseguita alcuna operazione.")}},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        Banco b;
        ASSERT_FALSE(b.path.isEmpty());
        c.azione(b);
        EXPECT_EQ(b.salva.stati, c.stati);
        EXPECT_EQ(b.salvati(), c.salvati);
        EXPECT_EQ(b.campi.box.testi, c.box);
    }
}

} // namespace
