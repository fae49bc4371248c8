#pragma once

// The list window of a module: a search field that filters as one types, a grid, the count of
// the rows shown, F5 to read the rows again, and the window's own data form. A module derives
// its window from it, gives it the model of its rows, adds its buttons and lays out what else it
// shows; the window's place can be kept per user. The window is top-level, not modal, deletes
// itself when closed, and closes when the program ends its loop (so it can ask about unsaved
// work and detach cleanly).

#include <QWidget>

class QAbstractItemModel;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QVBoxLayout;

namespace velkora {
class TTabXForm;
namespace platform {
struct Environment;
}
} // namespace velkora

namespace velkora::kit {

// What the count under the search says: "Nessun articolo", "3 di 12 articoli", "1 articolo".
struct NomiRighe
{
    QString singolare;
    QString plurale;
};

class FinestraElenco : public QWidget
{
    Q_OBJECT

public:
    // nomeFinestra is the window's object name (what tests and scripts find it by); the data form
    // attaches the user database of the environment's program folder.
    FinestraElenco(const QString& nomeFinestra, const NomiRighe& nomi,
                   const platform::Environment& environment);
    ~FinestraElenco() override;

    // False when the window could not open (it has said why): discard it without showing it.
    virtual bool pronta() const;

    TTabXForm* TabX = nullptr;
    QLineEdit* EditCerca = nullptr;
    QTableView* Griglia = nullptr;
    QLabel* LabelConteggio = nullptr;

    // The text of the count label for these numbers of rows in all and shown.
    static QString testoConteggio(const NomiRighe& nomi, int totale, int visibili);
    // Tahoma, the suite's face, at the given size.
    static QFont tahoma(int punti, bool grassetto = false);

protected:
    // Reads the rows again (F5): what other workstations saved meanwhile.
    virtual void ricarica() = 0;
    // After the search or the rows changed: the count, and the module's own buttons.
    virtual void aggiornaStato();
    // Before the window closes; false keeps it open (unsaved work the user wants to keep).
    virtual bool puoChiudere() { return true; }

    // The rows the grid shows, through the search filter.
    void impostaModello(QAbstractItemModel* righe);
    QSortFilterProxyModel* filtro() const { return m_filtro; }
    // The row of the model under the grid's current row; -1 when none.
    int rigaCorrente() const;
    // Makes row `riga` of the model current, clearing the search when it hides the row.
    void vaiARigaModello(int riga, int colonna = 0);

    // A button of the window, found by its object name.
    QPushButton* pulsante(const QString& nome, const QString& testo);
    // The search row ("Cerca:" and the field, then a stretch and the count) and the whole window,
    // for the module's own widgets.
    QHBoxLayout* rigaCerca() const { return m_rigaCerca; }
    QVBoxLayout* corpo() const { return m_corpo; }

    // Keeps the window's place per user under the situation and project codes: read now, stored
    // when the window closes. A failure only loses the place, and is written to the warnings.
    void ricordaPosizione(qint32 numUser, qint32 situazione, qint32 progetto);

    void closeEvent(QCloseEvent* event) override;

private:
    NomiRighe m_nomi;
    QSortFilterProxyModel* m_filtro = nullptr;
    QHBoxLayout* m_rigaCerca = nullptr;
    QVBoxLayout* m_corpo = nullptr;
    bool m_posizione = false;
    qint32 m_numUser = 0;
    qint32 m_situazione = 0;
    qint32 m_progetto = 0;
};

} // namespace velkora::kit
