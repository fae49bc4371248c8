// The record-editing services of the shared data form: save, refresh, cancel, delete, empty a
// table, ask before closing, and the lock probe taken before a row is edited.

#include "data/TabX.h"
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
#include "services/PulsanteSalva.h"

#include <QAbstractButton>
#include <QIcon>
#include <QPixmap>
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

QString nomeNonValido(const QString& cosa, const QString& nome)
{
    return QStringLiteral("%1 non valido: \"%2\". Sono ammessi solo lettere, cifre, \"_\" e \"$\", "
                          "iniziando con una lettera; non è stata eseguita alcuna operazione.")
        .arg(cosa, nome.left(80));
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

void impostaStatoPulsante(QAbstractButton& pulsante, int tag, const QString& figura)
{
    setTagPulsante(pulsante, tag);
    const QPixmap immagine(figura);
    if (immagine.isNull())
        qWarning("Immagine del pulsante di salvataggio non leggibile: %s", qUtf8Printable(figura));
    pulsante.setIcon(immagine.isNull() ? QIcon() : QIcon(immagine));
}

void TTabXForm::AggiornaTabella(db::QueryDataSet& dataSet, Segnalibro segnalibro,
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

void TTabXForm::ChiudiTransazione(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                  bool& segnalibroValido, QAbstractButton& pulsanteSalva)
{
    if (dataSet.active()) {
        concludiModifica(dataSet, messages(), ownerWindow());
        segnalibro = rigaCorrente(dataSet);
        segnalibroValido = true;
    } else {
        segnalibroValido = false;
    }
    if (db::Transaction* t = dataSet.transaction())
        t->commit();
    impostaStatoPulsante(pulsanteSalva, 0, PercorsoVerde);
}

void TTabXForm::ChiudiTransEAggiorna(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                     bool& segnalibroValido, QAbstractButton& pulsanteSalva)
{
    ChiudiTransazione(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
    AggiornaTabella(dataSet, segnalibro, segnalibroValido);
}

void TTabXForm::Annulla(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                        QAbstractButton& pulsanteSalva)
{
    if (tagPulsante(pulsanteSalva) != 1 ||
        !messages().confirm(kConfermaAnnullamento, ownerWindow()))
        return;
    impostaStatoPulsante(pulsanteSalva, 0, PercorsoVerde);
    AggiornaTabella(dataSet, segnalibro, segnalibroValido);
}

bool TTabXForm::Elimina(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                        QAbstractButton& pulsanteSalva)
{
    const Segnalibro posizione = rigaCorrente(dataSet);
    AggiornaTabella(dataSet, posizione, segnalibroValido);
    if (dataSet.isEmpty()) {
        messages().information(kTabellaVuota, ownerWindow());
        return false;
    }
    if (!messages().confirm(kConfermaCancellazione, ownerWindow()))
        return false;

    if (!dataSet.locate(campoChiave(dataSet), posizione.chiave)) {
        messages().warning(kGiaCancellato, ownerWindow());
        return false;
    }
    bool cancellato = false;
    try {
        if (dataSet.remove() == 0) {
            // Deleted by someone else between the refresh and now: nothing of ours to commit.
            messages().warning(kGiaCancellato, ownerWindow());
            return false;
        }
        ChiudiTransazione(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
        cancellato = true;
        AggiornaTabella(dataSet, posizione, segnalibroValido);
    } catch (const db::DbError& e) {
        messages().warning(kImpossibileCancellare, dettaglioErrore(dataSet, e), ownerWindow());
    } catch (const db::DbLogicError& e) {
        messages().warning(kImpossibileCancellare, dettaglioErrore(dataSet, e), ownerWindow());
    }
    return cancellato;
}

void TTabXForm::Azzera(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                       QAbstractButton& pulsanteSalva, const QString& tabella)
{
    // A table dataset empties its own table and the name given is not used; for a query the
    // name goes into the statement as it is, so only a plain identifier may.
    auto* tabellaPropria = dynamic_cast<db::TableDataSet*>(&dataSet);
    if (!tabellaPropria && !db::isPlainIdentifier(tabella)) {
        messages().error(nomeNonValido(QStringLiteral("Nome di tabella"), tabella), ownerWindow());
        return;
    }
    if (!messages().confirm(kConfermaAzzeramento, ownerWindow()))
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
        messages().showBox(platform::BoxKind::Plain, kImpossibileAzzerare, dettaglioErrore(dataSet, e),
                           ownerWindow());
    } catch (const db::DbLogicError& e) {
        messages().showBox(platform::BoxKind::Plain, kImpossibileAzzerare, dettaglioErrore(dataSet, e),
                           ownerWindow());
    }
}

void TTabXForm::Chiudi(db::QueryDataSet& dataSet, Segnalibro&, bool&,
                       QAbstractButton& pulsanteSalva)
{
    if (tagPulsante(pulsanteSalva) != 1 || messages().confirm(kSalvareModifiche, ownerWindow()))
        return;
    db::Transaction& t = transazioneDiDefault(dataSet);
    if (t.active())
        t.restart();
}

void TTabXForm::AggiornamentoDaPulsante(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                        bool& segnalibroValido, QAbstractButton& pulsanteSalva)
{
    if (tagPulsante(pulsanteSalva) == 1) {
        if (messages().confirm(kModificheNonSalvate, ownerWindow())) {
            concludiModifica(dataSet, messages(), ownerWindow());
            impostaStatoPulsante(pulsanteSalva, 0, PercorsoVerde);
        } else {
            // The user said not to save: the edit still in the buffer goes too, or the commit
            // below would write it.
            dataSet.cancel();
            transazioneDiDefault(dataSet).restart();
        }
    }
    ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsanteSalva);
}

db::Query* TTabXForm::sondaBloccoPreparata(db::Database& database, const QString& tabella,
                                          const QString& chiave)
{
    for (const db::Database* propria :
         {&IBDatabase1, &IBDatabase2, &IBDatabase3, &IBDatabase4, &IBDatabaseUser}) {
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

void TTabXForm::EventoBeforeEditDataSet(db::QueryDataSet& dataSet, QAbstractButton& pulsanteSalva,
                                        const QString& tabella)
{
    if (!dataSet.active() || dataSet.eof())
        throw platform::SilentAbort(); // no row to edit
    const QString chiave = campoChiave(dataSet);
    // Both names go into the statement as they are; the key's value is bound, never written.
    for (const auto& [cosa, nome] : {std::pair{QStringLiteral("Nome di tabella"), tabella},
                                     std::pair{QStringLiteral("Nome del campo chiave"), chiave}}) {
        if (!db::isPlainIdentifier(nome)) {
            messages().error(nomeNonValido(cosa, nome), ownerWindow());
            throw platform::SilentAbort();
        }
    }
    db::Database& database = *dataSet.database();
    db::Transaction& transazione = transazioneDiDefault(dataSet);
    try {
        // Rows read before a server restart: the lock taken now would not notice what others
        // saved meanwhile, so they are read again first.
        dataSet.requireCurrentRows();
    } catch (const db::DbError& e) {
        const platform::FailureText testo = e.describe();
        messages().warning(testo.message, testo.detail, ownerWindow());
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
    services::DetentoreRecord::parametriSonda(*sonda, dataSet.value(chiave), NomeUser);
    qint64 righe = 0;
    try {
        sonda->execSql();
        righe = sonda->isEmpty() ? 0 : sonda->asInteger(0);
    } catch (const db::DbError& e) {
        // A lost connection is no other user's doing: it is said as such.
        if (e.isConnectionLost())
            messages().error(e.describe(), ownerWindow());
        else
            messages().warning(kAltriUtenti, services::DetentoreRecord::dettaglio(database, e),
                               ownerWindow());
        throw platform::SilentAbort();
    }
    if (righe == 0) {
        // The row is no longer in the table: editing it would save nothing.
        messages().warning(kGiaCancellato, ownerWindow());
        throw platform::SilentAbort();
    }
    impostaStatoPulsante(pulsanteSalva, 1, PercorsoRosso);
}

} // namespace velkora
