#pragma once

// The window of one table of the company archive: the list window of the kit with the fields of
// the selected row below the grid, and the buttons Nuovo, Elimina, Annulla, Aggiorna, Salva,
// Stampa, Esporta and Chiudi. The rows are read into an editable dataset in the no-wait
// transaction of the data form's first general connection; typing into a field first takes the
// row's lock (the data form's lock probe), so a row another workstation is editing is refused at
// once, naming who holds it. Changes stay in that transaction, with the save button red, until
// saved; nothing is dropped without the user saying so. New rows take their key from the table's
// generator. Stampa prints the rows the search shows through the suite's print library; Esporta
// writes them to a CSV file a spreadsheet opens directly.
//
// A module describes its table (DescrizioneArchivio) and opens the window from its export.

#include <velkora/kit/FinestraElenco.h>
#include <velkora/services/Segnalibro.h>
#include <velkora/tabx/MemTable.h>

#include <memory>
#include <vector>

namespace velkora::db {
class QueryDataSet;
class UpdateSql;
} // namespace velkora::db

namespace velkora::kit {

class ModelloArchivio;

// One column of the table, as the window shows and edits it.
struct ColonnaArchivio
{
    enum class Tipo
    {
        Testo,   // VARCHAR: at most `lunghezza` characters
        Intero,  // INTEGER
        Decimale // NUMERIC(p, `decimali`): kept exact, typed and shown with the decimal comma
    };
    QString colonna;
    QString etichetta;
    int larghezza = 100; // in the grid, pixels
    int lunghezza = 0;   // characters the field takes; 0 for the key
    Tipo tipo = Tipo::Testo;
    int decimali = 0;
};

// What the module tells the window about its table.
struct DescrizioneArchivio
{
    QString tabella;    // a constant of the module, never a caller's text
    QString generatore; // of the keys of new rows
    QString titolo;     // of the window and of the printed list
    QString nomeFinestra; // object name, and the window's name in the per-window scripts
    QString progettoScript; // project name of the per-window script row
    qint32 progetto = 0;    // project code of the stored window position
    qint32 situazione = 0;  // situation code of the stored window position
    NomiRighe nomi;         // "cliente" / "clienti"
    QString nomeReport;     // the layout in the program folder's "Report" folder
    QString ordine;         // ORDER BY of the selection: columns of the table
    QString suggerimentoRicerca; // placeholder of the search field
    // The key (an integer filled by the generator) first.
    std::vector<ColonnaArchivio> colonne;
};

class FinestraArchivio : public FinestraElenco
{
    Q_OBJECT

public:
    // Makes the user current, opens his company's archive and reads the rows. A window that
    // cannot reach the user database or the archive has said why; pronta() is then false. The
    // description must outlive the window.
    FinestraArchivio(const DescrizioneArchivio& descrizione, qint32 numUser,
                     const platform::Environment& environment);
    ~FinestraArchivio() override;

    bool pronta() const override { return m_pronta; }
    qint32 numUser() const { return m_numUser; }
    const DescrizioneArchivio& descrizione() const { return m_descrizione; }
    // True while the window holds changes that are not committed (the save button is red).
    bool modificato() const;

    // The fields of the selected row, one per column after the key, named "Edit" + column.
    std::vector<QLineEdit*> Campi;
    QLabel* LabelCodice = nullptr;
    QPushButton* ButtonNuovo = nullptr;
    QPushButton* ButtonElimina = nullptr;
    QPushButton* ButtonAnnulla = nullptr;
    QPushButton* ButtonAggiorna = nullptr;
    QPushButton* ButtonSalva = nullptr;
    QPushButton* ButtonStampa = nullptr;
    QPushButton* ButtonEsporta = nullptr;
    QPushButton* ButtonChiudi = nullptr;

    void NuovoClick();
    void EliminaClick();
    void AnnullaClick();
    void AggiornaClick();
    void SalvaClick();
    // Prints the rows the search shows through the suite's print library.
    void StampaClick();
    // Asks for a file and writes the rows the search shows to it as CSV.
    void EsportaClick();

    // The dataset of the window, for tests.
    db::QueryDataSet& dataSet() { return *m_dataSet; }
    // Selects the row with the key; false when the list does not hold it.
    bool selezionaCodice(qint32 codice);
    // The key of the selected row (0 when none).
    qint32 codiceSelezionato() const;
    // The rows the search shows, in the grid's order, as an in-memory table with the dataset's
    // columns (the key a number, the rest text as the grid shows it).
    MemTable righeMostrate() const;

protected:
    void ricarica() override { AggiornaClick(); }
    void aggiornaStato() override;
    bool puoChiudere() override;

private:
    void creaCampi();
    // Seeds the window's row of the per-window scripts (after the first paint).
    void scriviRigaScript();
    void apriDati();
    // Reads the next rows of the table in the background, a page per turn of the event loop, so
    // the first rows show at once and typing never waits for the rest.
    void leggiAltreRighe();
    // Reads every row not read yet (before a service that ends the transaction, a print or an
    // export); false, after saying why, when the reading failed.
    bool leggiTutto();
    void ricaricaGriglia();
    void seguiSelezione();
    void mostraRiga();
    void campoModificato(int campo, const QString& testo);
    bool registraModifica();
    bool bloccaRiga();
    template <typename Servizio> bool esegui(const QString& errore, Servizio servizio);
    bool salvaOScarta();
    void vaiARiga(int riga);
    void impostaPulsanteSalva(bool rosso);

    const DescrizioneArchivio& m_descrizione;
    qint32 m_numUser = 0;
    bool m_pronta = false;
    Segnalibro m_segnalibro;
    bool m_segnalibroValido = false;
    ModelloArchivio* m_modello = nullptr;
    bool m_letturaInCorso = false;
    std::unique_ptr<db::UpdateSql> m_scritture;
    std::unique_ptr<db::QueryDataSet> m_dataSet;
};

} // namespace velkora::kit

namespace velkora::kit {

// What an export of a module calls: the window of the table for the user, opened or brought
// forward, its handle recorded under the call's window id; null when it could not open (it has
// said why). The description must outlive the window (a static of the module).
FinestraArchivio* apriFinestraArchivio(const DescrizioneArchivio& descrizione, qint32 numUser,
                                       qint32 idFinestra);
// The same window's rows printed at once; a window opened only to be printed goes when its
// preview is closed.
void stampaFinestraArchivio(const DescrizioneArchivio& descrizione, qint32 numUser,
                            qint32 idFinestra);

} // namespace velkora::kit
