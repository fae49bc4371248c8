#include "shell/Iniz.h"

#include "platform/ui/WindowPlacement.h"

#include <QLabel>

namespace velkora {

namespace {

QLabel* centredLabel(const QString& text, int top, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont labelFont = label->font();
    labelFont.setPointSize(10);
    label->setFont(labelFont);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // As wide as the window, so the text stays centred whatever the font's metrics.
    label->setGeometry(0, top, parent->width(), label->sizeHint().height());
    return label;
}

} // namespace

TInizForm::TInizForm(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("InizForm"));
    setWindowTitle(QStringLiteral("Inizializzazione"));
    QFont formFont = font();
    formFont.setFamily(QStringLiteral("Tahoma"));
    setFont(formFont);
    setFixedSize(292, 131);

    LabelMessaggio1 = centredLabel(QStringLiteral("Caricamento delle impostazioni"), 16, this);
    LabelMessaggio1->setObjectName(QStringLiteral("LabelMessaggio1"));
    LabelMessaggio2 = centredLabel(QStringLiteral("personali in corso..."), 48, this);
    LabelMessaggio2->setObjectName(QStringLiteral("LabelMessaggio2"));

    platform::centerOnScreen(*this);
}

} // namespace velkora
