#pragma once

#include "dialoghi/DirectoryListBox.h"
#include "dialoghi/DriveComboBox.h"
#include "dialoghi/FormDialog.h"

// The controls are public for the callers and tests to read, so their types are complete here.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace velkora {

// The folder chooser of the parameter editor: a drive list and the folder list of the chosen
// drive, starting at the process's current folder. After OK the chosen folder is the current
// folder of DirectoryListBox1 (drivePath() gives it in drive form). A fixed-size window without
// title-bar buttons; Esc does nothing.
class TSelDirForm : public FormDialog
{
    Q_OBJECT

public:
    TSelDirForm(QWidget* owner, const platform::DriveMap& drives);

    QGroupBox* GroupBox1;
    QLabel* Label1;
    DirectoryListBox* DirectoryListBox1;
    QLabel* Label4;
    DriveComboBox* DriveComboBox1;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;

    void ButtonOkClick();
    void ButtonCancelClick();
    // Moves the folder list to the current folder of the drive chosen in the drive list.
    void DriveComboBox1Change();
};

} // namespace velkora
