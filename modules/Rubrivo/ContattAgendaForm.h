#pragma once

#include "Rubrica.h"

#include <QWidget>
#include <memory>
#include <optional>
#include <velkora/platform/Environment.h>

#include <velkora/kit/FinestraElenco.h>

class QStandardItemModel;

namespace velkora::rubrivo {

// The agenda window of one user: today's date, the user's contacts in the kit's list window
// (search field, grid, count, F5), and the buttons to add, change and delete contacts. Its data
// form's attachment to the user database lives as long as the window.
class TContattAgendaForm : public kit::FinestraElenco
{
    Q_OBJECT

public:
    // Attaches the data form to the program folder's user database, makes the user current and
    // reads his contacts. A data form that cannot reach the database has already said so; the
    // window is then not ready (pronta() false) and should be discarded without showing it.
    TContattAgendaForm(qint32 numUser, const platform::Environment& environment);
    ~TContattAgendaForm() override;

    qint32 numUser() const { return m_numUser; }

    QLabel* LabelData = nullptr;
    QTableView* GrigliaContatti = nullptr;
    QPushButton* ButtonNuovo = nullptr;
    QPushButton* ButtonModifica = nullptr;
    QPushButton* ButtonElimina = nullptr;
    QPushButton* ButtonChiudi = nullptr;

    // Reads the contacts again; on failure the list shown stays as it was.
    void CaricaContatti();
    void NuovoClick();
    void ModificaClick();
    void EliminaClick();

protected:
    void ricarica() override { CaricaContatti(); }
    void aggiornaStato() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void creaControlli();
    void aggiornaData();
    // The contact of the selected row, if a row is selected.
    std::optional<Contatto> contattoSelezionato() const;
    void selezionaCodice(qint32 codice);
    // Runs the editing dialog; save is called on "Salva" and closes the dialog when it succeeds.
    void apriDialogo(const QString& titolo, const Contatto& contatto);
    // Writes the contact; false (after saying why) when the dialog should stay open.
    bool salva(const Contatto& contatto);

    qint32 m_numUser = 0;
    std::unique_ptr<Rubrica> m_rubrica;
    QStandardItemModel* m_modello = nullptr;
};

// Today's date as the agenda shows it: "Lunedì 3 giugno 2024".
QString dataEstesa(const QDate& data);

} // namespace velkora::rubrivo
