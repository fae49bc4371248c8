#include "menu/RicercaMenu.h"

#include "menu/DelegatoRisultatoRicerca.h"
#include "menu/ModelloRisultatiRicerca.h"
#include "menu/VociRecenti.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace velkora {

namespace {

// The list is wider than the bar, so that paths can be read.
constexpr int kLarghezzaTendina = 440;
constexpr int kRigheVisibili = 12;

} // namespace

RicercaMenu::RicercaMenu(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("RicercaMenu"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    m_campo = new QLineEdit(this);
    m_campo->setObjectName(QStringLiteral("EditCercaMenu"));
    m_campo->setPlaceholderText(QStringLiteral("Cerca nel menu\u2026"));
    m_campo->setClearButtonEnabled(true);
    m_campo->setToolTip(QStringLiteral("Ctrl+F"));
    layout->addWidget(m_campo);
    setFocusProxy(m_campo);

    m_tendina = new QFrame(this);
    m_tendina->setObjectName(QStringLiteral("TendinaCercaMenu"));
    m_tendina->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_tendina->setAutoFillBackground(true);
    m_tendina->setBackgroundRole(QPalette::Base);
    m_tendina->hide();
    auto* tendinaLayout = new QVBoxLayout(m_tendina);
    tendinaLayout->setContentsMargins(1, 1, 1, 1);
    tendinaLayout->setSpacing(0);
    m_titolo = new QLabel(QStringLiteral("Usati di recente"), m_tendina);
    m_titolo->setObjectName(QStringLiteral("LabelUsatiDiRecente"));
    m_titolo->setContentsMargins(6, 3, 6, 3);
    QFont grassetto = m_titolo->font();
    grassetto.setBold(true);
    m_titolo->setFont(grassetto);
    m_titolo->hide();
    tendinaLayout->addWidget(m_titolo);

    m_modello = new ModelloRisultatiRicerca(m_tendina);
    m_delegato = new DelegatoRisultatoRicerca(m_tendina);
    m_elenco = new QListView(m_tendina);
    m_elenco->setObjectName(QStringLiteral("ElencoCercaMenu"));
    // The focus stays in the field: the list is steered from there.
    m_elenco->setFocusPolicy(Qt::NoFocus);
    m_elenco->setFrameShape(QFrame::NoFrame);
    m_elenco->setUniformItemSizes(true);
    m_elenco->setSelectionMode(QAbstractItemView::SingleSelection);
    m_elenco->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_elenco->setMouseTracking(true);
    m_elenco->setModel(m_modello);
    m_elenco->setItemDelegate(m_delegato);
    tendinaLayout->addWidget(m_elenco);
    m_nessuna = new QLabel(QStringLiteral("Nessuna voce trovata"), m_tendina);
    m_nessuna->setObjectName(QStringLiteral("LabelNessunaVoce"));
    m_nessuna->setContentsMargins(6, 4, 6, 4);
    m_nessuna->setEnabled(false);
    tendinaLayout->addWidget(m_nessuna);

    connect(m_campo, &QLineEdit::textChanged, this, &RicercaMenu::testoCambiato);
    connect(m_elenco, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { avvia(index.row()); });
    m_elenco->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_elenco, &QWidget::customContextMenuRequested, this, [this](const QPoint& punto) {
        const QModelIndex index = m_elenco->indexAt(punto);
        if (!index.isValid())
            return;
        const QPoint dove = m_elenco->viewport()->mapToGlobal(punto);
        cambiaPreferito(index.row(), &dove);
    });
    // Where the focus came from, whether by Ctrl+F or by a click in the field.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* prima, QWidget* ora) {
        if (ora == m_campo && prima != m_campo)
            m_fuocoPrecedente = prima;
    });
    m_campo->installEventFilter(this);
}

RicercaMenu::~RicercaMenu()
{
    // The list lives in the window while shown; it goes with the field.
    if (m_tendina && m_tendina->parent() != this)
        delete m_tendina;
}

void RicercaMenu::impostaIndice(IndiceMenu indice)
{
    m_indice = std::move(indice);
    cerca();
}

void RicercaMenu::impostaImmagini(const ImageList* immagini)
{
    m_modello->impostaImmagini(immagini);
}

void RicercaMenu::impostaRecenti(const std::vector<int>& righe)
{
    m_recenti.clear();
    for (int r : righe) {
        if (r >= 0 && r < m_indice.size())
            m_recenti.push_back({m_indice.voce(r).programma, m_indice.voce(r).menu});
    }
    if (mostraRecenti())
        cerca();
}

void RicercaMenu::impostaPreferiti(std::function<bool(qint32, qint32)> ePreferito)
{
    m_ePreferito = std::move(ePreferito);
}

bool RicercaMenu::mostraRecenti() const
{
    return m_campo->text().trimmed().isEmpty();
}

void RicercaMenu::attiva()
{
    const bool giaQui = m_campo->hasFocus();
    m_campo->setFocus(Qt::ShortcutFocusReason);
    m_campo->selectAll();
    // Taking the focus asks for the recent items; Ctrl+F in the field already asks again.
    if (giaQui && mostraRecenti())
        emit recentiRichiesti();
    if (!m_campo->text().isEmpty() || giaQui)
        cerca();
}

void RicercaMenu::annulla()
{
    m_campo->clear();
    nascondiTendina();
    restituisciFuoco();
}

void RicercaMenu::restituisciFuoco()
{
    QWidget* prima = m_fuocoPrecedente;
    m_fuocoPrecedente = nullptr;
    if (prima && prima->isVisible() && prima->isEnabled() && prima->window() == window())
        prima->setFocus(Qt::OtherFocusReason);
    else if (m_campo->hasFocus())
        window()->setFocus(Qt::OtherFocusReason);
}

void RicercaMenu::testoCambiato()
{
    if (!m_campo->text().trimmed().isEmpty())
        emit attivata();
    cerca();
}

void RicercaMenu::cerca()
{
    const QString testo = m_campo->text();
    const bool recenti = mostraRecenti();
    std::vector<int> righe;
    if (recenti) {
        righe = vociRecenti(m_indice, m_recenti, static_cast<int>(m_recenti.size()));
    } else {
        righe = m_indice.cerca(testo);
    }
    m_modello->imposta(&m_indice, std::move(righe));
    m_titolo->setVisible(recenti);
    m_elenco->setCurrentIndex(QModelIndex());
    m_elenco->clearSelection();
    m_elenco->verticalScrollBar()->setValue(0);
    if (!m_campo->hasFocus() || (recenti && m_modello->rowCount() == 0))
        nascondiTendina();
    else
        mostraTendina();
}

bool RicercaMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_campo) {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* tastoPremuto = static_cast<QKeyEvent*>(event);
            if (tastoPremuto->key() == Qt::Key_D &&
                (tastoPremuto->modifiers() & Qt::ControlModifier)) {
                const QModelIndex corrente = m_elenco->currentIndex();
                if (m_tendina && m_tendina->isVisible() && m_modello->rowCount() > 0)
                    cambiaPreferito(corrente.isValid() ? corrente.row() : 0, nullptr);
                return true;
            }
            if (tasto(tastoPremuto->key()))
                return true;
            break;
        }
        case QEvent::FocusIn:
            emit attivata();
            // Back from a context menu of the field or of a row, the list stays as it was.
            if (static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason) {
                if (!mostraRecenti() || m_modello->rowCount() > 0)
                    mostraTendina();
                break;
            }
            if (mostraRecenti())
                emit recentiRichiesti();
            cerca();
            break;
        case QEvent::FocusOut:
            // A context menu of the field takes the focus for a moment only.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
                nascondiTendina();
            break;
        default:
            break;
        }
    } else if (m_tendina && watched == m_tendina->parentWidget() &&
               event->type() == QEvent::Resize) {
        if (m_tendina->isVisible())
            posizionaTendina();
    }
    return QWidget::eventFilter(watched, event);
}

bool RicercaMenu::tasto(int key)
{
    const int righe = m_modello->rowCount();
    const int corrente = m_elenco->currentIndex().isValid() ? m_elenco->currentIndex().row() : -1;
    int nuova = corrente;
    switch (key) {
    case Qt::Key_Escape:
        annulla();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Without a row chosen, Enter starts the best match.
        if (righe > 0)
            avvia(corrente >= 0 ? corrente : 0);
        return true;
    case Qt::Key_Down:
        nuova = corrente + 1;
        break;
    case Qt::Key_Up:
        nuova = corrente - 1;
        break;
    case Qt::Key_PageDown:
        nuova = corrente + kRigheVisibili;
        break;
    case Qt::Key_PageUp:
        nuova = corrente - kRigheVisibili;
        break;
    default:
        return false;
    }
    if (righe == 0)
        return true;
    nuova = std::clamp(nuova, 0, righe - 1);
    m_elenco->setCurrentIndex(m_modello->index(nuova));
    m_elenco->scrollTo(m_modello->index(nuova));
    mostraTendina();
    return true;
}

void RicercaMenu::avvia(int riga)
{
    const IndiceMenu::Voce* v = m_modello->voce(riga);
    if (!v)
        return;
    const qint32 programma = v->programma;
    const qint32 menu = v->menu;
    const qint32 modo = v->modo;
    // The field is emptied before the item runs: the item may open windows, rebuild the menus
    // or give a new index.
    annulla();
    emit voceScelta(programma, menu, modo);
}

void RicercaMenu::cambiaPreferito(int riga, const QPoint* dove)
{
    const IndiceMenu::Voce* v = m_modello->voce(riga);
    if (!v)
        return;
    const qint32 programma = v->programma;
    const qint32 menu = v->menu;
    const bool aggiungi = !(m_ePreferito && m_ePreferito(programma, menu));
    if (dove) {
        QMenu scelta(this);
        QAction* azione = scelta.addAction(aggiungi ? QStringLiteral("Aggiungi ai preferiti")
                                                    : QStringLiteral("Rimuovi dai preferiti"));
        azione->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
        if (scelta.exec(*dove) != azione)
            return;
    }
    emit preferitoRichiesto(programma, menu, aggiungi);
}

void RicercaMenu::mostraTendina()
{
    QWidget* finestra = window();
    if (!m_tendina || finestra == this)
        return;
    if (m_tendina->parentWidget() != finestra) {
        m_tendina->setParent(finestra);
        finestra->installEventFilter(this);
    }
    const bool vuota = m_modello->rowCount() == 0;
    m_elenco->setVisible(!vuota);
    m_nessuna->setVisible(vuota);
    posizionaTendina();
    m_tendina->show();
    m_tendina->raise();
}

void RicercaMenu::nascondiTendina()
{
    if (m_tendina)
        m_tendina->hide();
}

void RicercaMenu::posizionaTendina()
{
    QWidget* finestra = m_tendina->parentWidget();
    const QPoint sotto = m_campo->mapTo(finestra, QPoint(0, m_campo->height() + 1));
    const int spazioX = std::max(0, finestra->width() - sotto.x() - 4);
    const int larghezza = std::min(std::max(kLarghezzaTendina, m_campo->width()), spazioX);
    int altezza = m_titolo->isVisible() ? m_titolo->sizeHint().height() : 0;
    if (m_modello->rowCount() == 0) {
        altezza += m_nessuna->sizeHint().height();
    } else {
        const int riga = std::max(1, m_elenco->sizeHintForRow(0));
        altezza += riga * std::min(m_modello->rowCount(), kRigheVisibili);
    }
    altezza += 2 * m_tendina->frameWidth() + 2;
    altezza = std::min(altezza, std::max(0, finestra->height() - sotto.y() - 4));
    m_tendina->setGeometry(sotto.x(), sotto.y(), larghezza, altezza);
}

void RicercaMenu::hideEvent(QHideEvent* event)
{
    // Out of the working state (the bar is hidden at log-out) nothing of a search stays; a
    // minimised window keeps it.
    if (!event->spontaneous()) {
        m_campo->clear();
        nascondiTendina();
    }
    QWidget::hideEvent(event);
}

} // namespace velkora
