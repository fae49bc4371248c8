#include "platform/QtMessageService.h"

#include <QAbstractButton>
#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>

namespace velkora::platform {

namespace {

QMessageBox::Icon iconFor(BoxKind kind)
{
    switch (kind) {
    case BoxKind::Error:
        return QMessageBox::Critical;
    case BoxKind::Warning:
        return QMessageBox::Warning;
    case BoxKind::Information:
        return QMessageBox::Information;
    case BoxKind::Confirmation:
        return QMessageBox::Question;
    case BoxKind::Plain:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

bool QtMessageService::showBox(BoxKind kind, const QString& text, QWidget* parent)
{
    QMessageBox box(iconFor(kind), QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, parent);
    // Texts come from database errors and user data; a "<" in them must not turn into markup.
    box.setTextFormat(Qt::PlainText);
    if (kind != BoxKind::Confirmation) {
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return true;
    }

    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    // The button texts follow the suite's language, whatever translations Qt has loaded.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Sì"));
    box.button(QMessageBox::No)->setText(QStringLiteral("No"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Yes);
}

int QtMessageService::execDialog(QDialog& dialog)
{
    return dialog.exec();
}

} // namespace velkora::platform
