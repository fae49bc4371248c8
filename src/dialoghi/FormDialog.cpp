#include "dialoghi/FormDialog.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>

namespace velkora {

FormDialog::FormDialog(QWidget* owner) : QDialog(owner)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont formFont = font();
    formFont.setFamily(QStringLiteral("Tahoma"));
    setFont(formFont);
}

QPushButton* FormDialog::makeOkButton(QWidget* parent)
{
    auto* button = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                                   QStringLiteral("Ok"), parent);
    button->setObjectName(QStringLiteral("ButtonOk"));
    return button;
}

QPushButton* FormDialog::makeCancelButton(QWidget* parent)
{
    auto* button = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                                   QStringLiteral("Cancel"), parent);
    button->setObjectName(QStringLiteral("ButtonCancel"));
    return button;
}

void FormDialog::keyPressEvent(QKeyEvent* event)
{
    // Esc is bound to no button: the window stays open.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace velkora
