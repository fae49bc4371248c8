#pragma once

#include <QWidget>

#include <vector>

class QToolButton;
class QVBoxLayout;

namespace velkora {

class ImageList;

// The group "Preferiti" at the top of the navigation bar: the user's favourite menu items, one
// link each (the program's small picture and the caption, the path as tool tip), in the order he
// added them. A click starts the item (voceScelta); the context menu of a link offers "Rimuovi
// dai preferiti". The heading folds the links away and back. Hidden while there is no favourite.
class GruppoPreferiti : public QWidget
{
    Q_OBJECT

public:
    struct Voce
    {
        qint32 programma = 0;
        qint32 menu = 0;
        qint32 modo = 1;
        QString didascalia;
        QString percorso;
        int immagine = -1;
    };

    explicit GruppoPreferiti(QWidget* parent = nullptr);

    void impostaImmagini(const ImageList* immagini) { m_immagini = immagini; }
    // Replaces the links.
    void imposta(const std::vector<Voce>& voci);

    int numeroVoci() const { return static_cast<int>(m_voci.size()); }
    const Voce& voce(int i) const { return m_voci.at(static_cast<std::size_t>(i)); }
    // The link of the i-th favourite, for the keyboard and for tests that press it as a user.
    QToolButton* pulsante(int i) const { return m_pulsanti.at(static_cast<std::size_t>(i)); }
    QToolButton* intestazione() const { return m_intestazione; }

signals:
    void voceScelta(qint32 programma, qint32 menu, qint32 modo);
    void rimozioneRichiesta(qint32 programma, qint32 menu);

private:
    void menuContestuale(int i, const QPoint& dove);

    const ImageList* m_immagini = nullptr;
    QToolButton* m_intestazione = nullptr;
    QWidget* m_elenco = nullptr;
    QVBoxLayout* m_layoutElenco = nullptr;
    std::vector<Voce> m_voci;
    std::vector<QToolButton*> m_pulsanti;
};

} // namespace velkora
