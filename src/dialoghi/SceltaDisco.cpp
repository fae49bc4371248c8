#include "dialoghi/SceltaDisco.h"

#include "params/LetteraDisco.h"
#include "platform/MessageService.h"
#include "platform/ui/WindowPlacement.h"

#include <QBoxLayout>

namespace velkora {

TSceltaDiscoForm::TSceltaDiscoForm(QWidget* owner, const platform::DriveMap& drives,
                                   platform::MessageService& messages)
    : FormDialog(owner), Label1(new QLabel(QStringLiteral("Ultimo disco"), this)),
      ComboDisco(new DriveComboBox(drives, this)), ButtonOk(makeOkButton(this)),
      ButtonCancel(makeCancelButton(this)), m_drives(drives), m_messages(messages)
{
    setObjectName(QStringLiteral("SceltaDiscoForm"));
    setWindowTitle(QStringLiteral("Scelta disco"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    resize(232, 131);

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setBuddy(ComboDisco);
    ComboDisco->setObjectName(QStringLiteral("ComboDisco"));
    ButtonOk->setDefault(true);
    ButtonCancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    buttons->addStretch();
    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(8, 8, 8, 8);
    window->addWidget(Label1);
    window->addWidget(ComboDisco);
    window->addStretch();
    window->addLayout(buttons);

    connect(ButtonOk, &QPushButton::clicked, this, &TSceltaDiscoForm::ButtonOkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TSceltaDiscoForm::ButtonCancelClick);

    platform::centerOnScreen(*this);
}

void TSceltaDiscoForm::ButtonOkClick()
{
    if (discoPresente(m_drives, ComboDisco->drive())) {
        accept();
        return;
    }
    m_messages.warning(QStringLiteral("Attenzione: il disco impostato non è valido"), this);
}

void TSceltaDiscoForm::ButtonCancelClick()
{
    reject();
}

} // namespace velkora
