#include "dialoghi/DriveComboBox.h"

namespace velkora {

DriveComboBox::DriveComboBox(const platform::DriveMap& drives, QWidget* parent) : QComboBox(parent)
{
    for (const QChar letter : drives.letters()) {
        addItem(QString(letter) + QLatin1Char(':'), QVariant(QString(letter)));
        // The folder the letter names on this system, shown on hovering the entry; beside the
        // letter a long folder would widen the small windows that hold the list.
        setItemData(count() - 1, drives.folder(letter), Qt::ToolTipRole);
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
