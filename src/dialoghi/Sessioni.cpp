#include "dialoghi/Sessioni.h"

#include "data/TabX.h"
#include "db/Transaction.h"
#include "platform/MessageService.h"
#include "platform/ui/WindowPlacement.h"
#include "sessions/SessionLog.h"
#include "sessions/SessioniAperte.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <functional>

namespace velkora {

namespace {

// The desktop colour of the classic Windows scheme: a marked row is drawn on it. This system
// has no desktop colour of its own to ask for.
const QColor kColoreDesktop(0x3A, 0x6E, 0xA5);

// Every cell on the window colour, or on the desktop colour when its row is marked, with its
// value in black 2 pixels right of and below the cell's corner, clipped to the cell.
class CellaSessione : public QStyledItemDelegate
{
public:
    CellaSessione(std::function<bool(int)> marcata, QObject* parent)
        : QStyledItemDelegate(parent), m_marcata(std::move(marcata))
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        painter->save();
        painter->setClipRect(option.rect);
        const QColor sfondo =
            m_marcata(index.row()) ? kColoreDesktop : option.palette.color(QPalette::Base);
        painter->fillRect(option.rect, sfondo);
        painter->setPen(Qt::black);
        painter->setFont(option.font);
        const QRect testo = option.rect.adjusted(2, 2, 0, 0);
        painter->drawText(testo, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

private:
    std::function<bool(int)> m_marcata;
};

} // namespace

TSessioniForm::TSessioniForm(QWidget* owner, TTabXForm** tabX)
    : QDialog(owner),
      Label1(new QLabel(QStringLiteral("F3 o doppio click per selezionare / deselezionare"), this)),
      GridSessioni(new QTableWidget(this)),
      ButtonSel(new QPushButton(QStringLiteral("&Seleziona tutte"), this)),
      ButtonDeSel(new QPushButton(QStringLiteral("&Deseleziona tutte"), this)),
      ButtonChiudiSel(new QPushButton(QStringLiteral("Ch&iudi selezionate"), this)),
      ButtonChiudi(new QPushButton(QStringLiteral("Chiudi"), this)), m_tabX(tabX)
{
    TTabXForm& form = **m_tabX;
    setObjectName(QStringLiteral("SessioniForm"));
    setWindowTitle(QStringLiteral("Sessioni aperte utente:") + QLatin1Char(' ') + form.NomeUser);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    resize(425, 196);

    Label1->setObjectName(QStringLiteral("Label1"));
    QPalette teal = Label1->palette();
    teal.setColor(QPalette::WindowText, QColor(0x00, 0x80, 0x80));
    Label1->setPalette(teal);
    GridSessioni->setObjectName(QStringLiteral("GridSessioni"));
    GridSessioni->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridSessioni->setSelectionMode(QAbstractItemView::NoSelection);
    GridSessioni->verticalHeader()->hide();
    GridSessioni->verticalHeader()->setDefaultSectionSize(18);
    GridSessioni->setItemDelegate(
        new CellaSessione([this](int riga) { return marcata(riga); }, GridSessioni));
    ButtonSel->setObjectName(QStringLiteral("ButtonSel"));
    ButtonDeSel->setObjectName(QStringLiteral("ButtonDeSel"));
    ButtonChiudiSel->setObjectName(QStringLiteral("ButtonChiudiSel"));
    ButtonChiudi->setObjectName(QStringLiteral("ButtonChiudi"));

    // The grid takes the room left of the buttons and grows with the window.
    auto* pulsanti = new QVBoxLayout;
    for (QPushButton* b : {ButtonSel, ButtonDeSel, ButtonChiudiSel, ButtonChiudi}) {
        b->setAutoDefault(false);
        pulsanti->addWidget(b);
    }
    pulsanti->addStretch();
    auto* corpo = new QHBoxLayout;
    corpo->addWidget(GridSessioni, 1);
    corpo->addLayout(pulsanti);
    auto* finestra = new QVBoxLayout(this);
    finestra->setContentsMargins(6, 4, 6, 6);
    finestra->setSpacing(4);
    finestra->addWidget(Label1);
    finestra->addLayout(corpo, 1);

    connect(GridSessioni, &QTableWidget::cellDoubleClicked, this,
            &TSessioniForm::GridSessioniDblClick);
    connect(ButtonSel, &QPushButton::clicked, this, &TSessioniForm::ButtonSelClick);
    connect(ButtonDeSel, &QPushButton::clicked, this, &TSessioniForm::ButtonDeSelClick);
    connect(ButtonChiudiSel, &QPushButton::clicked, this, &TSessioniForm::ButtonChiudiSelClick);
    connect(ButtonChiudi, &QPushButton::clicked, this, &QDialog::reject);
    GridSessioni->installEventFilter(this);

    QueryAux.setDatabase(&form.IBDatabaseUser);
    QueryAux.setTransaction(&form.TransazioneUser);
    QuerySessioni.setDatabase(&form.IBDatabaseUser);
    QuerySessioni.setTransaction(&form.TransazioneUser);
    form.QueryVelkora.close();
    form.TransazioneUser.restart();
    apriSessioni();

    platform::centerOnScreen(*this);
}

TSessioniForm::~TSessioniForm()
{
    // The statements go before the window: the data form's transaction outlives them.
    QuerySessioni.close();
    QueryAux.close();
}

void TSessioniForm::apriSessioni()
{
    QuerySessioni.close();
    QuerySessioni.setSql(istruzioneSessioniAperte((*m_tabX)->NumUser));
    QuerySessioni.open();
    GridSessioni->clear();
    GridSessioni->setColumnCount(QuerySessioni.fieldCount());
    QStringList titoli;
    for (int c = 0; c < QuerySessioni.fieldCount(); ++c)
        titoli << QuerySessioni.fieldName(c);
    GridSessioni->setHorizontalHeaderLabels(titoli);
    GridSessioni->setRowCount(QuerySessioni.recordCount());
    int riga = 0;
    for (QuerySessioni.first(); !QuerySessioni.eof(); QuerySessioni.next(), ++riga) {
        for (int c = 0; c < QuerySessioni.fieldCount(); ++c)
            GridSessioni->setItem(riga, c, new QTableWidgetItem(QuerySessioni.asString(c)));
    }
    GridSessioni->resizeColumnsToContents();
    if (riga > 0)
        GridSessioni->setCurrentCell(0, 0);
}

QString TSessioniForm::codiceRiga(int riga) const
{
    const QTableWidgetItem* cella = GridSessioni->item(riga, 0);
    return cella ? cella->text() : QString();
}

bool TSessioniForm::marcata(int riga) const
{
    return GridSessioni->rowCount() > 0 && SessioniSelezionate.contains(codiceRiga(riga));
}

void TSessioniForm::GridSessioniDblClick()
{
    const int riga = GridSessioni->currentRow();
    if (riga < 0)
        return;
    const QString codice = codiceRiga(riga);
    if (SessioniSelezionate.contains(codice))
        SessioniSelezionate.removeAll(codice);
    else
        SessioniSelezionate.append(codice);
    GridSessioni->viewport()->update();
}

void TSessioniForm::GridSessioniKeyUp(int tasto)
{
    if (tasto == Qt::Key_F3)
        GridSessioniDblClick();
}

void TSessioniForm::ButtonSelClick()
{
    SessioniSelezionate.clear();
    for (int riga = 0; riga < GridSessioni->rowCount(); ++riga) {
        const QString codice = codiceRiga(riga);
        if (!SessioniSelezionate.contains(codice))
            SessioniSelezionate.append(codice);
    }
    if (GridSessioni->rowCount() > 0)
        GridSessioni->setCurrentCell(0, 0);
    GridSessioni->viewport()->update();
}

void TSessioniForm::ButtonDeSelClick()
{
    SessioniSelezionate.clear();
    GridSessioni->viewport()->update();
}

void TSessioniForm::ButtonChiudiSelClick()
{
    // One reading of the clock: every session of the pass gets the same date and time.
    const QDateTime adesso = QDateTime::currentDateTime();
    platform::MessageService& messaggi = (*m_tabX)->messages();
    if (!messaggi.confirm(QStringLiteral("Effettuare la chiusura delle sessioni selezionate?"),
                          this))
        return;
    QString dettaglio;
    if (chiudiSessioniSelezionate(QueryAux, SessioniSelezionate, adesso, dettaglio))
        // The sessions of the pass are closed and leave the list; their marks go with them, so
        // that a later pass does not write a new closing time over theirs.
        SessioniSelezionate.clear();
    else
        messaggi.error(QStringLiteral("Errore interno di UPDATE: impossibile chiudere le sessioni "
                                      "selezionate. Riprovare"),
                       dettaglio, this);
    apriSessioni();
}

bool TSessioniForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == GridSessioni && event->type() == QEvent::KeyRelease)
        GridSessioniKeyUp(static_cast<QKeyEvent*>(event)->key());
    return QDialog::eventFilter(watched, event);
}

} // namespace velkora
