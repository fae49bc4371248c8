// The record-editing services of the data windows: save, refresh, cancel, delete, empty a
// table, ask before closing, and the lock probe taken before a row is edited.

#include "services/ModificaRecord.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/QueryDataSet.h"
#include "db/SqlText.h"
#include "db/TableDataSet.h"
#include "db/Transaction.h"
#include "platform/MessageService.h"
#include "platform/SilentAbort.h"
#include "services/DetentoreRecord.h"
#include "services/IndicatoreSalva.h"
#include "storage/ContestoDati.h"

#include <QtGlobal>

#include <memory>
#include <optional>

namespace velkora {

namespace {

const QString kConfermaAnnullamento =
    QStringLiteral("Conferma l'annullamento delle modifiche apportate?");
const QString kTabellaVuota = QStringLiteral("La tabella è vuota");
const QString kConfermaCancellazione = QStringLiteral("Conferma la cacellazione del record?");
const QString kGiaCancellato = QStringLiteral(
    "Questo record è già stato cancellato da un altro utente in un'altra sessione di lavoro");
const QString kImpossibileCancellare = QStringLiteral(
    "Impossibile cancellare questo record, altri utenti stanno lavorando su questo record.");
const QString kConfermaAzzeramento = QStringLiteral("Confermare l'azzeramento della tabella?");
const QString kImpossibileAzzerare = QStringLiteral("Impossibile azzerare la tabella!");
const QString kSalvareModifiche = QStringLiteral("Salvare le modifiche apportate?");
const QString kModificheNonSalvate =
    QStringLiteral("Attenzione: sono state fatte delle modifiche che non sono state ancora "
                   "salvate. Prima di aggiornare "
                   "la griglia si desidera salvare gli aggiornamenti?");
const QString kAltriUtenti = QStringLiteral(
    "Attenzione: altri utenti stanno lavorando su questo record. Provare ad aggiornare la griglia. "
    "Nel caso "
    "in cui questo messaggio riapparisse, provare ad editare il record in un secondo momento.");

// The row key: the name of the first field.
QString campoChiave(const db::QueryDataSet& dataSet)
{
    return dataSet.fieldName(0);
}

Segnalibro rigaCorrente(const db::QueryDataSet& dataSet)
{
    if (!dataSet.active() || dataSet.eof())
        return {};
    return {dataSet.asString(campoChiave(dataSet)), dataSet.row()};
}

// Posts the pending edit or insertion when something was changed, drops it otherwise. An edited
// row that another user deleted meanwhile is not written (nor made again): the user is told,
// and the save stops there with a silent abort, so nothing is committed and the save button
// does not claim that something was saved.
void concludiModifica(db::QueryDataSet& dataSet, platform::MessageService& messaggi,
                      QWidget* finestra)
{
    if (!dataSet.modified()) {
        dataSet.cancel();
        return;
    }
    try {
        dataSet.post();
    } catch (const db::RecordDeleted& e) {
        const platform::FailureText testo = e.describe();
        messaggi.warning(testo.message, testo.detail, finestra);
        throw platform::SilentAbort();
    }
}

db::Transaction& transazioneDiDefault(const db::QueryDataSet& dataSet)
{
    db::Database* database = dataSet.database();
    if (!database || !database->defaultTransaction())
        throw db::DbLogicError(
            QStringLiteral("dataset without a database or a default transaction"));
    return *database->defaultTransaction();
}

// The detail of a box about a failed step: who holds the row for a lock conflict, the engine's
// text, or the programming mistake.
QString dettaglioErrore(const db::QueryDataSet& dataSet, const std::exception& errore)
{
    if (const auto* e = dynamic_cast<const db::DbError*>(&errore))
        return dataSet.database() ? services::DetentoreRecord::dettaglio(*dataSet.database(), *e) : e->message();
    return QString::fromUtf8(errore.what());
}

} // namespace

ModificaRecord::ModificaRecord(const ContestoDati& contesto,
                               std::vector<const db::Database*> connessioniProprie)
    : m_contesto(contesto)
    , m_proprie(std::move(connessioniProprie))
{
}

ModificaRecord::~ModificaRecord() = default;

void ModificaRecord::segnaSalvato(IndicatoreSalva& pulsanteSalva) const
{
    pulsanteSalva.imposta(0, m_contesto.percorsoVerde());
}

void ModificaRecord::segnaModificato(IndicatoreSalva& pulsanteSalva) const
{
    pulsanteSalva.imposta(1, m_contesto.percorsoRosso());
}

bool ModificaRecord::nomeAccettato(const QString& cosa, const QString& nome) const
{
    if (db::isPlainIdentifier(nome))
        return true;
    m_contesto.messaggi().error(
        QStringLiteral("%1 non valido: \"%2\". Sono ammessi solo lettere, cifre, \"_\" e "
                       "\"$\", iniziando con una lettera; non è stata eseguita alcuna "
                       "operazione.")
            .arg(cosa, nome.left(80)),
        m_contesto.finestra());
    return false;
}

void ModificaRecord::AggiornaTabella(db::QueryDataSet& dataSet, Segnalibro segnalibro,
                                bool vaiASegnalibro)
{
    dataSet.close();
    if (db::Transaction* t = dataSet.transaction())
        t->restart();
    dataSet.open();
    // A row that is gone leaves the first row current.
    if (vaiASegnalibro && !dataSet.isEmpty() && !segnalibro.chiave.isEmpty())
        dataSet.locate(campoChiave(dataSet), segnalibro.chiave);
    // A table is shown in the order of its first index, on the row it was on.
    if (auto* tabella = dynamic_cast<db::TableDataSet*>(&dataSet)) {
        const auto& indici = tabella->indexDefs();
        if (!indici.empty())
            tabella->setIndexName(indici.front().name);
    }
}

void ModificaRecord::ChiudiTransazione(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                  bool& segnalibroValido, IndicatoreSalva& pulsanteSalva)
{
    if (dataSet.active()) {
        concludiModifica(dataSet, m_contesto.messaggi(), m_contesto.finestra());
        segnalibro = rigaCorrente(dataSet);
        segnalibroValido = true;
    } else {
        segnalibroValido = false;
    }
    if (db::Transaction* t = dataSet.transaction())
        t->commit();
    segnaSalvato(pulsanteSalva);
}

void ModificaRecord::ChiudiTransEAggiorna(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                     bool& segnalibroValido, IndicatoreSalva& pulsanteSalva)
{
    ChiudiTransazione(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
    AggiornaTabella(dataSet, segnalibro, segnalibroValido);
}

void ModificaRecord::Annulla(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                        IndicatoreSalva& pulsanteSalva)
{
    if (pulsanteSalva.tag() != 1 ||
        !m_contesto.messaggi().confirm(kConfermaAnnullamento, m_contesto.finestra()))
        return;
    segnaSalvato(pulsanteSalva);
    AggiornaTabella(dataSet, segnalibro, segnalibroValido);
}

bool ModificaRecord::Elimina(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                        IndicatoreSalva& pulsanteSalva)
{
    const Segnalibro posizione = rigaCorrente(dataSet);
    AggiornaTabella(dataSet, posizione, segnalibroValido);
    if (dataSet.isEmpty()) {
        m_contesto.messaggi().information(kTabellaVuota, m_contesto.finestra());
        return false;
    }
    if (!m_contesto.messaggi().confirm(kConfermaCancellazione, m_contesto.finestra()))
        return false;

    if (!dataSet.locate(campoChiave(dataSet), posizione.chiave)) {
        m_contesto.messaggi().warning(kGiaCancellato, m_contesto.finestra());
        return false;
    }
    bool cancellato = false;
    try {
        if (dataSet.remove() == 0) {
            // Deleted by someone else between the refresh and now: nothing of ours to commit.
            m_contesto.messaggi().warning(kGiaCancellato, m_contesto.finestra());
            return false;
        }
        ChiudiTransazione(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
        cancellato = true;
        AggiornaTabella(dataSet, posizione, segnalibroValido);
    } catch (const db::DbError& e) {
        m_contesto.messaggi().warning(kImpossibileCancellare, dettaglioErrore(dataSet, e), m_contesto.finestra());
    } catch (const db::DbLogicError& e) {
        m_contesto.messaggi().warning(kImpossibileCancellare, dettaglioErrore(dataSet, e), m_contesto.finestra());
    }
    return cancellato;
}

void ModificaRecord::Azzera(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                       IndicatoreSalva& pulsanteSalva, const QString& tabella)
{
    // A table dataset empties its own table and the name given is not used; for a query the
    // name goes into the statement as it is, so only a plain identifier may.
    auto* tabellaPropria = dynamic_cast<db::TableDataSet*>(&dataSet);
    if (!tabellaPropria && !nomeAccettato(QStringLiteral("Nome di tabella"), tabella))
        return;
    if (!m_contesto.messaggi().confirm(kConfermaAzzeramento, m_contesto.finestra()))
        return;
    try {
        AggiornaTabella(dataSet, segnalibro, segnalibroValido);
        if (tabellaPropria) {
            tabellaPropria->emptyTable();
        } else {
            db::Query cancella(dataSet.database(), &transazioneDiDefault(dataSet));
            cancella.add(QStringLiteral("DELETE FROM ") + tabella);
            cancella.execSql();
        }
        ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
    } catch (const db::DbError& e) {
        m_contesto.messaggi().showBox(platform::BoxKind::Plain, kImpossibileAzzerare, dettaglioErrore(dataSet, e),
                           m_contesto.finestra());
    } catch (const db::DbLogicError& e) {
        m_contesto.messaggi().showBox(platform::BoxKind::Plain, kImpossibileAzzerare, dettaglioErrore(dataSet, e),
                           m_contesto.finestra());
    }
}

void ModificaRecord::Chiudi(db::QueryDataSet& dataSet, IndicatoreSalva& pulsanteSalva)
{
    if (pulsanteSalva.tag() != 1 || m_contesto.messaggi().confirm(kSalvareModifiche, m_contesto.finestra()))
        return;
    db::Transaction& t = transazioneDiDefault(dataSet);
    if (t.active())
        t.restart();
}

void ModificaRecord::AggiornamentoDaPulsante(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                        bool& segnalibroValido, IndicatoreSalva& pulsanteSalva)
{
    if (pulsanteSalva.tag() == 1) {
        if (m_contesto.messaggi().confirm(kModificheNonSalvate, m_contesto.finestra())) {
            concludiModifica(dataSet, m_contesto.messaggi(), m_contesto.finestra());
            segnaSalvato(pulsanteSalva);
        } else {
            // The user said not to save: the edit still in the buffer goes too, or the commit
            // below would write it.
            dataSet.cancel();
            transazioneDiDefault(dataSet).restart();
        }
    }
    ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
}

db::Query* ModificaRecord::sondaBloccoPreparata(db::Database& database, const QString& tabella,
                                          const QString& chiave)
{
    for (const db::Database* propria : m_proprie) {
        if (propria != &database)
            continue;
        std::unique_ptr<db::Query>& sonda = m_sondeBlocco[{&database, tabella, chiave}];
        if (!sonda) {
            sonda = std::make_unique<db::Query>(&database);
            sonda->setSql(services::DetentoreRecord::sondaBlocco(tabella, chiave));
        }
        return sonda.get();
    }
    return nullptr;
}

void ModificaRecord::EventoBeforeEditDataSet(db::QueryDataSet& dataSet, IndicatoreSalva& pulsanteSalva,
                                        const QString& tabella)
{
    if (!dataSet.active() || dataSet.eof())
        throw platform::SilentAbort(); // no row to edit
    const QString chiave = campoChiave(dataSet);
    // Both names go into the statement as they are; the key's value is bound, never written.
    for (const auto& [cosa, nome] : {std::pair{QStringLiteral("Nome di tabella"), tabella},
                                     std::pair{QStringLiteral("Nome del campo chiave"), chiave}}) {
        if (!nomeAccettato(cosa, nome))
            throw platform::SilentAbort();
    }
    db::Database& database = *dataSet.database();
    db::Transaction& transazione = transazioneDiDefault(dataSet);
    try {
        // Rows read before a server restart: the lock taken now would not notice what others
        // saved meanwhile, so they are read again first.
        dataSet.requireCurrentRows();
    } catch (const db::DbError& e) {
        const platform::FailureText testo = e.describe();
        m_contesto.messaggi().warning(testo.message, testo.detail, m_contesto.finestra());
        throw platform::SilentAbort();
    }
    // The statement that takes the lock and leaves the note of who holds it; on a connection
    // of this form it stays prepared, so a probe after the first is one round trip.
    std::optional<db::Query> propria;
    db::Query* sonda = sondaBloccoPreparata(database, tabella, chiave);
    if (!sonda) {
        propria.emplace(&database);
        propria->setSql(services::DetentoreRecord::sondaBlocco(tabella, chiave));
        sonda = &*propria;
    }
    sonda->setTransaction(&transazione);
    services::DetentoreRecord::parametriSonda(*sonda, dataSet.value(chiave), m_contesto.nomeUser());
    qint64 righe = 0;
    try {
        sonda->execSql();
        righe = sonda->isEmpty() ? 0 : sonda->asInteger(0);
    } catch (const db::DbError& e) {
        // A lost connection is no other user's doing: it is said as such.
        if (e.isConnectionLost())
            m_contesto.messaggi().error(e.describe(), m_contesto.finestra());
        else
            m_contesto.messaggi().warning(kAltriUtenti, services::DetentoreRecord::dettaglio(database, e),
                               m_contesto.finestra());
        throw platform::SilentAbort();
    }
    if (righe == 0) {
        // The row is no longer in the table: editing it would save nothing.
        m_contesto.messaggi().warning(kGiaCancellato, m_contesto.finestra());
        throw platform::SilentAbort();
    }
    segnaModificato(pulsanteSalva);
}

} // namespace velkora
