#include "params/ui/DriveComboBox.h"

namespace velkora {

DriveComboBox::DriveComboBox(const platform::DriveMap& drives, QWidget* parent) : QComboBox(parent)
{
    for (const QChar letter : drives.letters()) {
        // The folder beside the letter tells the user what the drive is on this system.
        addItem(QString(letter) + QStringLiteral(": [") + drives.folder(letter) + QLatin1Char(']'),
                QVariant(QString(letter)));
    }
}

QChar DriveComboBox::drive() const
{
    const QString letter = currentData().toString();
    return letter.isEmpty() ? QChar() : letter.at(0);
}

bool DriveComboBox::setDrive(QChar letter)
{
    const int index = findData(QString(letter.toLower()));
    if (index < 0)
        return false;
    setCurrentIndex(index);
    return true;
}

} // namespace velkora
