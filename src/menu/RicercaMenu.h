#pragma once

#include "menu/IndiceMenu.h"
#include "sessions/UsatiDiRecente.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class QFrame;
class QLabel;
class QLineEdit;
class QListView;

namespace velkora {

class DelegatoRisultatoRicerca;
class ImageList;
class ModelloRisultatiRicerca;

// The search field of the navigation bar: as the user types, a list below the field shows the
// menu entries whose path holds every typed word. With the field empty the list shows "Usati di
// recente", the rows the owner gave (impostaRecenti) when the field asked for them
// (recentiRichiesti): once when it takes the focus, never per keystroke. Ctrl+D, or the context
// menu of a row, adds the chosen entry to the favourites or removes it (preferitoRichiesto). Up and Down move in the list, Enter or a
// click starts the chosen entry (voceScelta), Escape clears the field and gives the focus back
// to where it was. Keys the field has no use for (F8, F9, F12...) go on to the window.
//
// The list floats over the window beside the bar, wide enough for the paths; it is a child of
// the window, so the focus stays in the field while the list is shown.
class RicercaMenu : public QWidget
{
    Q_OBJECT

public:
    explicit RicercaMenu(QWidget* parent = nullptr);
    ~RicercaMenu() override;

    // The entries searched from now on; a search shown is run again on them.
    void impostaIndice(IndiceMenu indice);
    const IndiceMenu& indice() const { return m_indice; }
    // The small pictures of the programs (the list of the navigation bar).
    void impostaImmagini(const ImageList* immagini);
    // The rows of the index listed under "Usati di recente" while the field is empty. They are
    // kept as the items they start, so a newer index (the menus rebuilt by F12 meanwhile) shows
    // the same items.
    void impostaRecenti(const std::vector<int>& righe);
    // Whether an item is a favourite now, which decides what Ctrl+D and the context menu do.
    void impostaPreferiti(std::function<bool(qint32 programma, qint32 menu)> ePreferito);
    // True while the list shows the recent items.
    bool mostraRecenti() const;

    // Puts the focus in the field with its text selected.
    void attiva();
    // Clears the field, hides the list and gives the focus back to where it was before the
    // field took it.
    void annulla();

    QLineEdit* campo() const { return m_campo; }
    QListView* elenco() const { return m_elenco; }
    // The list with the no-match line, floating below the field.
    QFrame* tendina() const { return m_tendina; }
    const ModelloRisultatiRicerca& risultati() const { return *m_modello; }

signals:
    // The field took the focus or its text changed: the owner may bring the index up to date
    // (impostaIndice) before the search runs.
    void attivata();
    // An entry was chosen; the field is already cleared.
    void voceScelta(qint32 programma, qint32 menu, qint32 modo);
    // The field took the focus while empty: the owner gives the recent rows (impostaRecenti).
    void recentiRichiesti();
    // Ctrl+D or the context menu of a row: add the entry to the favourites, or remove it.
    void preferitoRichiesto(qint32 programma, qint32 menu, bool aggiungi);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void testoCambiato();
    void cerca();
    bool tasto(int key);
    void avvia(int riga);
    void cambiaPreferito(int riga, const QPoint* dove);
    void mostraTendina();
    void nascondiTendina();
    void posizionaTendina();
    void restituisciFuoco();

    QLineEdit* m_campo = nullptr;
    QPointer<QFrame> m_tendina;
    QListView* m_elenco = nullptr;
    QLabel* m_nessuna = nullptr;
    QLabel* m_titolo = nullptr;
    std::vector<UsoVoce> m_recenti;
    std::function<bool(qint32, qint32)> m_ePreferito;
    ModelloRisultatiRicerca* m_modello = nullptr;
    DelegatoRisultatoRicerca* m_delegato = nullptr;
    IndiceMenu m_indice;
    QPointer<QWidget> m_fuocoPrecedente;
};

} // namespace velkora
