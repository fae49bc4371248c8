#pragma once

#include "Anagrafica.h"

#include <QWidget>
#include <memory>
#include <vector>
#include <velkora/services/Segnalibro.h>
#include <velkora/tabx/MemTable.h>

class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace velkora {
class TTabXForm;
namespace db {
class QueryDataSet;
class UpdateSql;
} // namespace db
namespace platform {
struct Environment;
}
} // namespace velkora

namespace velkora::anagrafi {

class ModelloAnagrafica;

// The list of the customers (or of the suppliers) of the user's company: a search field that
// filters as one types, the grid of every row, the fields of the selected row below it, and the
// buttons to add, delete, discard, refresh and save. The rows are read from the company archive
// into an editable dataset in the no-wait transaction of the data form's first connection; typing
// into a field first takes the row's lock, so a row another workstation is editing is refused at
// once. Changes stay in that transaction, with the save button red, until saved.
//
// A top-level window that deletes itself when closed, with its own data form.
class TAnagraficaForm : public QWidget
{
    Q_OBJECT

public:
    // Makes the user current, opens his company's archive and reads the rows. A window that
    // cannot reach the user database or the archive has said why; pronta() is then false and
    // the window should be discarded without showing it.
    TAnagraficaForm(const Anagrafica& anagrafica, qint32 numUser,
                    const platform::Environment& environment);
    ~TAnagraficaForm() override;

    bool pronta() const { return m_pronta; }
    qint32 numUser() const { return m_numUser; }
    const Anagrafica& anagrafica() const { return m_anagrafica; }
    // True while the window holds changes that are not committed (the save button is red).
    bool modificato() const;

    TTabXForm* TabX = nullptr;
    QLineEdit* EditCerca = nullptr;
    QTableView* Griglia = nullptr;
    QLabel* LabelConteggio = nullptr;
    // The fields of the selected row, one per column after the key, named "Edit" + column.
    std::vector<QLineEdit*> Campi;
    QLabel* LabelCodice = nullptr;
    QPushButton* ButtonNuovo = nullptr;
    QPushButton* ButtonElimina = nullptr;
    QPushButton* ButtonAnnulla = nullptr;
    QPushButton* ButtonAggiorna = nullptr;
    QPushButton* ButtonSalva = nullptr;
    QPushButton* ButtonChiudi = nullptr;
    QPushButton* ButtonStampa = nullptr;

    void NuovoClick();
    void EliminaClick();
    void AnnullaClick();
    void AggiornaClick();
    void SalvaClick();
    // Prints the rows of the list through the suite's print library: all of them, or those the
    // search shows when it hides some.
    void StampaClick();

    // The dataset of the window, for the tests.
    db::QueryDataSet& dataSet() { return *m_dataSet; }
    // Selects the row with the key; false when the list does not hold it.
    bool selezionaCodice(qint32 codice);
    // The key of the selected row (0 when none).
    qint32 codiceSelezionato() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void creaControlli();
    // The rows the search shows, in the grid's order, as an in-memory table with the dataset's
    // columns.
    MemTable righeMostrate() const;
    void apriDati();
    // Reads the rows again into the grid, keeping the selected key when it is still there.
    void ricaricaGriglia();
    void aggiornaStato();
    // Puts the dataset on the grid's selected row and shows it in the fields.
    void seguiSelezione();
    void mostraRiga();
    // A field was typed into: starts the edit (taking the row's lock) when not editing yet.
    void campoModificato(int campo, const QString& testo);
    // Writes a pending edit into the open transaction; false (after saying why) when it failed.
    bool registraModifica();
    // Takes the selected row's write lock before its edit starts; false, after the warning, when
    // another workstation holds the row.
    bool bloccaRiga();
    // Runs an editing service and shows the grid as the dataset is afterwards; a database error
    // is shown in an error box with the engine's text as detail. False when it failed.
    template <typename Servizio> bool esegui(const QString& errore, Servizio servizio);
    // When the window holds changes, asks whether to save them, and saves or discards them
    // all. False when they could not be saved (the window keeps them).
    bool salvaOScarta();
    // Before the window closes; false when it must stay open.
    bool chiudi();
    int rigaSelezionata() const;
    void vaiARiga(int riga);
    void impostaPulsanteSalva(bool modificato);

    const Anagrafica& m_anagrafica;
    qint32 m_numUser = 0;
    bool m_pronta = false;
    Segnalibro m_segnalibro;
    bool m_segnalibroValido = false;
    std::unique_ptr<db::QueryDataSet> m_dataSet;
    std::unique_ptr<db::UpdateSql> m_scritture;
    ModelloAnagrafica* m_modello = nullptr;
    QSortFilterProxyModel* m_filtro = nullptr;
};

} // namespace velkora::anagrafi
