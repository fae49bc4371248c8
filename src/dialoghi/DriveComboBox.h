#pragma once

#include <QChar>
#include <QComboBox>
#include <velkora/platform/DriveMap.h>

namespace velkora {

// A drop-down list of the workstation's drives, one entry per letter of the drive map, written
// in lower case ("d:"), with the folder it names as the entry's tip.
class DriveComboBox : public QComboBox
{
    Q_OBJECT

public:
    DriveComboBox(const platform::DriveMap& drives, QWidget* parent = nullptr);

    // The lower-case letter of the chosen entry; a null character when the list is empty.
    QChar drive() const;
    // Chooses the entry of the letter (either case); a letter that is not in the list leaves
    // the choice as it was. True when the entry was found.
    bool setDrive(QChar letter);
};

} // namespace velkora
