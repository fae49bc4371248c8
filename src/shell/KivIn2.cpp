#include "shell/KivIn2.h"

#include "platform/ui/WindowPlacement.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace velkora {

namespace {

// The height the suite's single-line fields have at their default font.
constexpr int kEditHeight = 21;

} // namespace

TKivIn2Form::TKivIn2Form(QWidget* parent)
    : QDialog(parent)
    , Bevel1(new QFrame(this))
    , Label1(new QLabel(QStringLiteral("Inserisci data e numero:"), this))
    , Edit1(new QLineEdit(QStringLiteral("Edit1"), this))
    , Edit2(new QLineEdit(this))
    , OKBtn(new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                            QStringLiteral("OK"), this))
    , CancelBtn(new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                                QStringLiteral("Annulla"), this))
{
    setObjectName(QStringLiteral("KivIn2Form"));
    setWindowTitle(QStringLiteral("Dialog"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont boldFont = font();
    boldFont.setBold(true);
    setFont(boldFont);
    setFixedSize(329, 148);

    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Panel);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 313, 89);

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(13, 32);
    Label1->adjustSize();

    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(24, 56, 129, kEditHeight);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(168, 56, 127, kEditHeight);

    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(93, 108, 77, 27);
    OKBtn->setDefault(true);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(177, 108, 77, 27);

    setTabOrder(Edit2, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, Edit1);

    connect(OKBtn, &QPushButton::clicked, this, &TKivIn2Form::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TKivIn2Form::CancelBtnClick);

    platform::centerOnScreen(*this);
}

void TKivIn2Form::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The caller may have changed the label's text or font; it grows with them as it would
    // with a label sized to its text.
    Label1->adjustSize();
    Edit1->setFocus(Qt::ActiveWindowFocusReason);
}

void TKivIn2Form::keyPressEvent(QKeyEvent* event)
{
    // Esc is the Cancel button, so it sets Esito like a click on it; QDialog alone would only
    // reject, the same as closing from the title bar.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        CancelBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TKivIn2Form::OKBtnClick()
{
    Esito = 1;
    accept();
}

void TKivIn2Form::CancelBtnClick()
{
    Esito = 2;
    reject();
}

} // namespace velkora
