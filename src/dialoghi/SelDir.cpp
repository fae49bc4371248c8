#include "dialoghi/SelDir.h"

#include "platform/ui/WindowPlacement.h"

#include <QBoxLayout>
#include <QSignalBlocker>

namespace velkora {

TSelDirForm::TSelDirForm(QWidget* owner, const platform::DriveMap& drives)
    : FormDialog(owner), GroupBox1(new QGroupBox(this)),
      Label1(new QLabel(QStringLiteral("Percorso"), GroupBox1)),
      DirectoryListBox1(new DirectoryListBox(drives, GroupBox1)),
      Label4(new QLabel(QStringLiteral("&Unità disco:"), GroupBox1)),
      DriveComboBox1(new DriveComboBox(drives, GroupBox1)), ButtonOk(makeOkButton(this)),
      ButtonCancel(makeCancelButton(this))
{
    setObjectName(QStringLiteral("SelDirForm"));
    setWindowTitle(QStringLiteral("Selezione Percorso"));
    // A title bar without buttons: the window closes through its own buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(221, 326);

    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label1->setObjectName(QStringLiteral("Label1"));
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setBuddy(DriveComboBox1);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DriveComboBox1->setDrive(DirectoryListBox1->drive());
    ButtonOk->setAutoDefault(false);
    ButtonCancel->setAutoDefault(false);

    auto* frame = new QVBoxLayout(GroupBox1);
    frame->addWidget(Label1);
    frame->addWidget(DirectoryListBox1, 1);
    frame->addWidget(Label4);
    frame->addWidget(DriveComboBox1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(6, 6, 6, 6);
    window->addWidget(GroupBox1, 1);
    window->addLayout(buttons);

    connect(ButtonOk, &QPushButton::clicked, this, &TSelDirForm::ButtonOkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TSelDirForm::ButtonCancelClick);
    connect(DriveComboBox1, &QComboBox::currentIndexChanged, this,
            &TSelDirForm::DriveComboBox1Change);
    // Opening a folder that lies on another drive (a drive mapped inside another one's tree)
    // moves the list there; the drive list follows without moving the folder list back.
    connect(DirectoryListBox1, &DirectoryListBox::directoryChanged, this, [this] {
        const QSignalBlocker quiet(DriveComboBox1);
        DriveComboBox1->setDrive(DirectoryListBox1->drive());
    });

    platform::centerOnScreen(*this);
}

void TSelDirForm::ButtonOkClick()
{
    accept();
}

void TSelDirForm::ButtonCancelClick()
{
    reject();
}

void TSelDirForm::DriveComboBox1Change()
{
    DirectoryListBox1->setDrive(DriveComboBox1->drive());
}

} // namespace velkora
