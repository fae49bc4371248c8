#pragma once

#include <QDialog>
// The controls are public for the callers to fill in, so their types are complete here.
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velkora {

// The server prompt: asks for two short texts side by side and tells whether the user confirmed.
// Callers change the caption, the text, font and place of Label1 and the contents of the two
// fields before showing it, then read Esito.
class TKivIn2Form : public QDialog
{
    Q_OBJECT

public:
    explicit TKivIn2Form(QWidget* parent = nullptr);

    // 0 until the user answers (also when the window is closed from its title bar), 1 after OK,
    // 2 after Cancel.
    qint16 Esito = 0;

    QFrame* Bevel1;
    QLabel* Label1;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OKBtnClick();
    void CancelBtnClick();
};

} // namespace velkora
