#pragma once

#include <QDialog>

class QKeyEvent;
class QPushButton;

namespace velkora {

// What the dialogs of the parameter sets have in common: the suite's Tahoma font, Esc bound to
// no button (the window stays open; closing it from the title bar is Cancel), and Ok and Cancel
// push buttons with pictures.
class FormDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FormDialog(QWidget* owner);

protected:
    // An "Ok" or "Cancel" push button with the style's picture for it, named as the forms name
    // it ("ButtonOk", "ButtonCancel").
    QPushButton* makeOkButton(QWidget* parent);
    QPushButton* makeCancelButton(QWidget* parent);

    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace velkora
