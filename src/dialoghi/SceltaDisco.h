#pragma once

#include "dialoghi/DriveComboBox.h"
#include "dialoghi/FormDialog.h"

#include <velkora/platform/DriveMap.h>

// The controls are public for the callers and tests to read, so their types are complete here.
#include <QLabel>
#include <QPushButton>

namespace velkora {

namespace platform {
class MessageService;
}

// The drive choice of "Scelta disco": the creator sets the drive offered first in ComboDisco;
// after OK the chosen drive is ComboDisco's letter, always in lower case. Ok closes only on a
// drive whose root folder is there.
class TSceltaDiscoForm : public FormDialog
{
    Q_OBJECT

public:
    // The drives of the workstation; the message service shows the warning (not owned).
    TSceltaDiscoForm(QWidget* owner, const platform::DriveMap& drives,
                     platform::MessageService& messages);

    QLabel* Label1;
    DriveComboBox* ComboDisco;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;

    void ButtonOkClick();
    void ButtonCancelClick();

private:
    platform::DriveMap m_drives;
    platform::MessageService& m_messages;
};

} // namespace velkora
