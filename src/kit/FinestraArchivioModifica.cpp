// Saving, discarding, deleting and adding rows, the row lock taken before an edit, and the rows
// handed to the print library or written to a CSV file: each editing step is one of the data
// form's services on the window's dataset, its bookmark and its save button. What the window
// adds is keeping the grid in step with the dataset and never letting a change be dropped
// without the user saying so.
#include <velkora/kit/FinestraArchivio.h>

#include "ModelloArchivio.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <velkora/TabXForm.h>
#include <velkora/db/DbError.h>
#include <velkora/db/QueryDataSet.h>
#include <velkora/kit/Esportazione.h>
#include <velkora/platform/MessageService.h>
#include <velkora/platform/SilentAbort.h>
#include <velkora/services/PrintLibrary.h>

namespace velkora::kit {

namespace {

const QString kErroreSalvataggio = QStringLiteral(
    "Errore nel salvataggio: le modifiche non sono state salvate e restano nella finestra.");
const QString kErroreLettura = QStringLiteral(
    "Errore nella lettura dell'archivio: controllare il collegamento al database e riprovare.");
const QString kErroreNuovo = QStringLiteral("Errore nella creazione della nuova riga.");

} // namespace

bool FinestraArchivio::bloccaRiga()
{
    try {
        TabX->EventoBeforeEditDataSet(*m_dataSet, *ButtonSalva, m_descrizione.tabella);
    } catch (const db::DbLogicError& e) {
        // A value the layer refused before writing it: its message names the field and why.
        TabX->messages().error(e.describe(), this);
        ricaricaGriglia();
        return false;
    } catch (const platform::SilentAbort&) {
        return false; // the probe has shown the warning, naming who holds the row
    }
    return true;
}

template <typename Servizio> bool FinestraArchivio::esegui(const QString& errore, Servizio servizio)
{
    // The services end the transaction the rows not read yet are read in: those are read first.
    if (!leggiTutto())
        return false;
    // The services that read the rows again come back to the row the user is on, not to the
    // first one (a No to a deletion must not move the list).
    if (m_dataSet->active() && !m_dataSet->isEmpty() && !m_dataSet->eof()) {
        m_segnalibro = {m_dataSet->asString(m_descrizione.colonne.front().colonna),
                        m_dataSet->row()};
        m_segnalibroValido = true;
    }
    try {
        servizio();
    } catch (const db::DbError& e) {
        TabX->messages().error(errore, e.message(), this);
        // The grid shows what the dataset holds now, whatever step failed.
        ricaricaGriglia();
        return false;
    } catch (const db::DbLogicError& e) {
        TabX->messages().error(e.describe(), this);
        ricaricaGriglia();
        return false;
    } catch (const platform::SilentAbort&) {
        // The service has told the user why it stopped (a row deleted by another user).
        ricaricaGriglia();
        return false;
    }
    ricaricaGriglia();
    return true;
}

void FinestraArchivio::SalvaClick()
{
    if (!m_pronta)
        return;
    esegui(kErroreSalvataggio, [this] {
        TabX->ChiudiTransEAggiorna(*m_dataSet, m_segnalibro, m_segnalibroValido, *ButtonSalva);
    });
}

void FinestraArchivio::AnnullaClick()
{
    if (!m_pronta)
        return;
    esegui(kErroreLettura,
           [this] { TabX->Annulla(*m_dataSet, m_segnalibro, m_segnalibroValido, *ButtonSalva); });
}

void FinestraArchivio::AggiornaClick()
{
    if (!m_pronta)
        return;
    esegui(kErroreSalvataggio, [this] {
        TabX->AggiornamentoDaPulsante(*m_dataSet, m_segnalibro, m_segnalibroValido, *ButtonSalva);
    });
}

bool FinestraArchivio::salvaOScarta()
{
    if (!modificato())
        return true;
    // The edit in progress goes into the transaction first, so that the answer decides about
    // every change alike: Yes commits them all, No rolls them all back.
    if (!registraModifica())
        return false;
    return esegui(kErroreSalvataggio, [this] {
        TabX->Chiudi(*m_dataSet, m_segnalibro, m_segnalibroValido, *ButtonSalva);
        // After a No the transaction is a fresh one and this commits nothing.
        TabX->ChiudiTransazione(*m_dataSet, m_segnalibro, m_segnalibroValido, *ButtonSalva);
    });
}

void FinestraArchivio::EliminaClick()
{
    if (!m_pronta || rigaCorrente() < 0)
        return;
    // The deletion reads the rows again first, which would drop unsaved changes of the window
    // without a word: the user decides about them before.
    const qint32 codice = codiceSelezionato();
    if (!salvaOScarta())
        return;
    selezionaCodice(codice);
    esegui(kErroreLettura,
           [this] { TabX->Elimina(*m_dataSet, m_segnalibro, m_segnalibroValido, *ButtonSalva); });
}

void FinestraArchivio::NuovoClick()
{
    if (!m_pronta)
        return;
    // The data form's generator service saves pending work, reads the rows again, appends the
    // new row with the generator's next value and posts it into the open transaction: the save
    // button turns red until the user saves.
    const bool fatto = esegui(kErroreNuovo, [this] {
        try {
            TabX->NuovoIntSuGeneratore(*m_dataSet, m_segnalibro, m_segnalibroValido, *ButtonSalva,
                                       m_descrizione.tabella, m_descrizione.generatore);
        } catch (const db::DbError&) {
            // A row that could not be posted is dropped, not left half-made in the grid.
            if (m_dataSet->state() == db::QueryDataSet::State::Insert)
                m_dataSet->cancel();
            throw;
        }
        impostaPulsanteSalva(true);
    });
    if (fatto && !Campi.empty())
        Campi.front()->setFocus();
}

void FinestraArchivio::StampaClick()
{
    if (!m_pronta)
        return;
    // A field being typed into is part of what the user sees: it goes into the rows first. The
    // print takes every row the search finds, read or not yet.
    if (!registraModifica() || !leggiTutto())
        return;
    // The print call hands the title and the layout's name through the form's parameters, and
    // sets only parameters the form holds: the window's form gets them the first time.
    for (const char* nome : {kPrintTitleParameter, kPrintReportParameter}) {
        if (!TabX->SetV(QString::fromLatin1(nome), QString()))
            TabX->Inserisci(QString(), QString::fromLatin1(nome), QString(), QString(), QString(),
                            QString(), QString(), QString(), QString());
    }
    const qint32 codice = codiceSelezionato();
    if (filtro()->rowCount() == m_dataSet->recordCount()) {
        // Every row: the dataset itself, so amounts reach the report as numbers.
        TabX->LanciaStampaConDll(m_descrizione.titolo, m_descrizione.nomeReport, *m_dataSet);
    } else {
        // The search shows part of the list: what is printed is what the user sees.
        MemTable righe = righeMostrate();
        TabX->LanciaStampaConDll(m_descrizione.titolo, m_descrizione.nomeReport, righe);
    }
    // The print library walks the rows; the user stays on the row he was on.
    selezionaCodice(codice);
}

void FinestraArchivio::EsportaClick()
{
    if (!m_pronta)
        return;
    if (!registraModifica() || !leggiTutto())
        return;
    QFileDialog scelta(this, QStringLiteral("Esporta in un file CSV"));
    scelta.setAcceptMode(QFileDialog::AcceptSave);
    scelta.setNameFilter(QStringLiteral("File CSV (*.csv)"));
    scelta.setDefaultSuffix(QStringLiteral("csv"));
    scelta.selectFile(m_descrizione.titolo + QStringLiteral(".csv"));
    if (TabX->messages().execDialog(scelta) != QDialog::Accepted || scelta.selectedFiles().isEmpty())
        return;
    const QString file = scelta.selectedFiles().constFirst();

    std::vector<QStringList> righe;
    righe.reserve(static_cast<size_t>(filtro()->rowCount()));
    for (int r = 0; r < filtro()->rowCount(); ++r) {
        const int riga = filtro()->mapToSource(filtro()->index(r, 0)).row();
        QStringList celle;
        for (int c = 0; c < m_modello->columnCount(); ++c)
            celle << m_modello->testo(riga, c);
        righe.push_back(std::move(celle));
    }
    QStringList intestazioni;
    for (const ColonnaArchivio& c : m_descrizione.colonne)
        intestazioni << c.etichetta;
    QString errore;
    if (!scriviCsv(file, intestazioni, righe, &errore))
        TabX->messages().error(QStringLiteral("Impossibile scrivere il file CSV: l'elenco non è "
                                              "stato esportato."),
                               errore, this);
}

MemTable FinestraArchivio::righeMostrate() const
{
    // The key stays a number, so the report aligns and totals it as it does the dataset's.
    std::vector<MemTable::FieldDef> campi;
    for (int c = 0; c < m_dataSet->fieldCount(); ++c)
        campi.push_back({m_dataSet->fieldName(c),
                         c == 0 ? MemTable::FieldType::LargeInt : MemTable::FieldType::Memo});
    MemTable righe;
    righe.setFields(std::move(campi));
    righe.open();
    for (int r = 0; r < filtro()->rowCount(); ++r) {
        const int riga = filtro()->mapToSource(filtro()->index(r, 0)).row();
        righe.append();
        for (int c = 0; c < m_dataSet->fieldCount(); ++c)
            righe.setAsString(m_dataSet->fieldName(c), m_modello->testo(riga, c));
        righe.post();
    }
    righe.first();
    return righe;
}

} // namespace velkora::kit
