#include "dialoghi/SelezDitta.h"

#include "data/TabX.h"
#include "params/Ditte.h"
#include "platform/ui/WindowPlacement.h"

#include <QBoxLayout>
#include <QKeyEvent>

namespace velkora {

TSelezDittaForm::TSelezDittaForm(QWidget* owner, TTabXForm** tabX)
    : FormDialog(owner), GroupBox1(new QGroupBox(this)),
      ListBoxSelDitta(new QListWidget(GroupBox1)), ButtonOk(makeOkButton(GroupBox1)),
      ButtonCancel(makeCancelButton(GroupBox1)), m_tabX(tabX)
{
    setObjectName(QStringLiteral("SelezDittaForm"));
    setWindowTitle(QStringLiteral("Selezione Ditta"));
    resize(350, 300);

    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    ListBoxSelDitta->setObjectName(QStringLiteral("ListBoxSelDitta"));
    ListBoxSelDitta->setSelectionMode(QAbstractItemView::SingleSelection);
    ButtonOk->setDefault(true);

    // The frame fills the window and the list fills the frame above the buttons, so both grow
    // with the window while the buttons stay at the bottom.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    buttons->addStretch();
    auto* frame = new QVBoxLayout(GroupBox1);
    frame->addWidget(ListBoxSelDitta, 1);
    frame->addLayout(buttons);
    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(8, 8, 8, 8);
    window->addWidget(GroupBox1);

    setTabOrder(ListBoxSelDitta, ButtonOk);
    setTabOrder(ButtonOk, ButtonCancel);

    connect(ButtonOk, &QPushButton::clicked, this, &TSelezDittaForm::ButtonOkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TSelezDittaForm::ButtonCancelClick);
    connect(ListBoxSelDitta, &QListWidget::doubleClicked, this,
            &TSelezDittaForm::ListBoxSelDittaDblClick);
    ListBoxSelDitta->installEventFilter(this);

    const ElencoDitte elenco =
        elencoDitte((*m_tabX)->QueryVelkora, (*m_tabX)->NumUser, (*m_tabX)->DittaCorrente);
    ListBoxSelDitta->addItems(elenco.ditte);
    if (elenco.selezionata >= 0)
        ListBoxSelDitta->setCurrentRow(elenco.selezionata);

    platform::centerOnScreen(*this);
}

QStringList TSelezDittaForm::ditte() const
{
    QStringList result;
    for (int i = 0; i < ListBoxSelDitta->count(); ++i)
        result.append(ListBoxSelDitta->item(i)->text());
    return result;
}

int TSelezDittaForm::indiceSelezionato() const
{
    // The current row alone is not a choice: the list makes its first row current when it takes
    // the focus without selecting it.
    const QList<QListWidgetItem*> selected = ListBoxSelDitta->selectedItems();
    return selected.isEmpty() ? -1 : ListBoxSelDitta->row(selected.first());
}

QString TSelezDittaForm::dittaScelta() const
{
    const int row = indiceSelezionato();
    return row < 0 ? QString() : ListBoxSelDitta->item(row)->text();
}

void TSelezDittaForm::ButtonOkClick()
{
    if (indiceSelezionato() >= 0)
        accept();
}

void TSelezDittaForm::ButtonCancelClick()
{
    reject();
}

void TSelezDittaForm::ListBoxSelDittaDblClick()
{
    if (indiceSelezionato() >= 0)
        ButtonOk->click();
}

bool TSelezDittaForm::ListBoxSelDittaKeyPress(QChar key)
{
    if (key != QChar(13))
        return false;
    ButtonOk->click();
    return true;
}

bool TSelezDittaForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListBoxSelDitta && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Handled here and not passed on, so the window's default button is not pressed a
        // second time for the same Enter.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            ListBoxSelDittaKeyPress(QChar(13)))
            return true;
    }
    return FormDialog::eventFilter(watched, event);
}

} // namespace velkora
