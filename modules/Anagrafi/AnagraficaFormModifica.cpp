// Saving, discarding, deleting and adding rows of the list, and the row lock taken before an
// edit. Each operation works on the window's dataset in the no-wait transaction of the first
// connection, so a row that another workstation holds is refused at once.
#include "AnagraficaForm.h"
#include "ModelloAnagrafica.h"

#include <QLineEdit>
#include <QPushButton>
#include <velkora/TabXForm.h>
#include <velkora/db/DbError.h>
#include <velkora/db/Query.h>
#include <velkora/db/QueryDataSet.h>
#include <velkora/db/Transaction.h>
#include <velkora/platform/MessageService.h>

namespace velkora::anagrafi {

namespace {

const QString kRigaBloccata = QStringLiteral(
    "Attenzione: altri utenti stanno lavorando su questo record. Provare ad aggiornare la griglia. "
    "Nel caso in cui questo messaggio riapparisse, provare ad editare il record in un secondo "
    "momento.");
const QString kConfermaAnnulla = QStringLiteral("Conferma l'annullamento delle modifiche apportate?");
const QString kConfermaElimina = QStringLiteral("Conferma la cacellazione del record?");
const QString kTabellaVuota = QStringLiteral("La tabella è vuota");
const QString kGiaCancellato = QStringLiteral(
    "Questo record è già stato cancellato da un altro utente in un'altra sessione di lavoro");
const QString kEliminaBloccato = QStringLiteral(
    "Impossibile cancellare questo record, altri utenti stanno lavorando su questo record.");
const QString kConfermaChiudi = QStringLiteral("Salvare le modifiche apportate?");
const QString kConfermaAggiorna = QStringLiteral(
    "Attenzione: sono state fatte delle modifiche che non sono state ancora salvate. Prima di "
    "aggiornare la griglia si desidera salvare gli aggiornamenti?");
const QString kErroreSalvataggio =
    QStringLiteral("Errore nel salvataggio: le modifiche non sono state salvate.");
const QString kErroreNuovo = QStringLiteral("Errore nella creazione della nuova riga.");

} // namespace

bool TAnagraficaForm::bloccaRiga()
{
    db::Query probe(&TabX->IBDatabase1);
    // The key is bound, never placed into the text; the table is the module's own constant.
    probe.add(QStringLiteral("UPDATE ") + m_anagrafica.tabella);
    probe.add(QStringLiteral("SET CODICE=CODICE"));
    probe.add(QStringLiteral("WHERE CODICE=:CODICE"));
    probe.setParam(QStringLiteral("CODICE"), m_dataSet->value(QStringLiteral("CODICE")));
    try {
        probe.execSql();
    } catch (const db::DbError& errore) {
        TabX->messages().warning(kRigaBloccata, errore.message(), this);
        return false;
    }
    impostaPulsanteSalva(true);
    return true;
}

void TAnagraficaForm::salvaERileggi()
{
    if (!registraModifica())
        return;
    try {
        TabX->IBDatabase1.defaultTransaction()->commit();
        m_dataSet->close();
        m_dataSet->open();
    } catch (const db::DbError& errore) {
        TabX->messages().error(kErroreSalvataggio, errore.message(), this);
        return;
    }
    impostaPulsanteSalva(false);
    ricaricaGriglia();
}

void TAnagraficaForm::annullaERileggi()
{
    m_dataSet->cancel();
    m_dataSet->close();
    db::Transaction* t = TabX->IBDatabase1.defaultTransaction();
    if (t->active())
        t->rollback();
    impostaPulsanteSalva(false);
    try {
        m_dataSet->open();
    } catch (const db::DbError& errore) {
        TabX->messages().error(QStringLiteral("Errore nella lettura dell'archivio."),
                               errore.message(), this);
        m_modello->svuota();
        return;
    }
    ricaricaGriglia();
}

void TAnagraficaForm::SalvaClick()
{
    if (m_pronta)
        salvaERileggi();
}

void TAnagraficaForm::AnnullaClick()
{
    if (!m_pronta || !modificato() || !TabX->messages().confirm(kConfermaAnnulla, this))
        return;
    annullaERileggi();
}

void TAnagraficaForm::AggiornaClick()
{
    if (!m_pronta)
        return;
    if (modificato() && !TabX->messages().confirm(kConfermaAggiorna, this)) {
        annullaERileggi();
        return;
    }
    salvaERileggi();
}

void TAnagraficaForm::EliminaClick()
{
    if (!m_pronta || rigaSelezionata() < 0)
        return;
    const QVariant codice = m_dataSet->value(QStringLiteral("CODICE"));
    // What other workstations committed is read first.
    if (!modificato())
        annullaERileggi();
    if (m_dataSet->isEmpty()) {
        TabX->messages().information(kTabellaVuota, this);
        return;
    }
    if (!TabX->messages().confirm(kConfermaElimina, this))
        return;
    if (!registraModifica())
        return;
    db::Query cancella(&TabX->IBDatabase1);
    cancella.add(QStringLiteral("DELETE FROM ") + m_anagrafica.tabella);
    cancella.add(QStringLiteral("WHERE CODICE=:CODICE"));
    cancella.setParam(QStringLiteral("CODICE"), codice);
    try {
        cancella.execSql();
        if (cancella.rowsAffected() == 0) {
            TabX->messages().warning(kGiaCancellato, this);
            return;
        }
    } catch (const db::DbError& errore) {
        TabX->messages().warning(kEliminaBloccato, errore.message(), this);
        return;
    }
    salvaERileggi();
}

void TAnagraficaForm::NuovoClick()
{
    if (!m_pronta)
        return;
    salvaERileggi();
    if (modificato())
        return; // the save failed and has said why
    try {
        db::Query generatore(&TabX->IBDatabase1);
        generatore.add(QStringLiteral("SELECT GEN_ID(") + m_anagrafica.generatore
                       + QStringLiteral(",1) FROM RDB$DATABASE"));
        generatore.open();
        const qint64 codice = generatore.asInteger(0);
        m_dataSet->append();
        m_dataSet->setField(QStringLiteral("CODICE"), codice);
        m_dataSet->post();
    } catch (const db::DbError& errore) {
        m_dataSet->cancel();
        TabX->messages().error(kErroreNuovo, errore.message(), this);
        return;
    }
    impostaPulsanteSalva(true);
    m_modello->copiaRiga(m_modello->rowCount(), *m_dataSet);
    selezionaCodice(static_cast<qint32>(m_dataSet->asInteger(QStringLiteral("CODICE"))));
    mostraRiga();
    aggiornaStato();
    if (!Campi.empty())
        Campi.front()->setFocus();
}

void TAnagraficaForm::chiudi()
{
    if (!modificato())
        return;
    if (TabX->messages().confirm(kConfermaChiudi, this)) {
        salvaERileggi();
        return;
    }
    m_dataSet->cancel();
    db::Transaction* t = TabX->IBDatabase1.defaultTransaction();
    if (t->active())
        t->rollback();
}

} // namespace velkora::anagrafi
