#pragma once

#include "Rubrica.h"

#include <QDialog>
#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace velkora::platform {
class MessageService;
}

namespace velkora::rubrivo {

// The small dialog in which one contact is typed or changed. "Salva" checks the fields and hands
// the contact to the save function; the dialog closes only when that succeeds, so after a failed
// save (reported by the save function) everything typed is still there to try again.
class TContattoDialog : public QDialog
{
    Q_OBJECT

public:
    using Salvataggio = std::function<bool(const Contatto&)>;

    TContattoDialog(const QString& titolo, const Contatto& contatto,
                    platform::MessageService& messages, Salvataggio salva,
                    QWidget* parent = nullptr);

    // The contact as typed, its code that of the contact the dialog was opened with; the name,
    // phone and e-mail without surrounding blanks.
    Contatto contatto() const;

    QLineEdit* EditNome = nullptr;
    QLineEdit* EditTelefono = nullptr;
    QLineEdit* EditEmail = nullptr;
    QPlainTextEdit* MemoNote = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonAnnulla = nullptr;

    void ButtonOkClick();

private:
    platform::MessageService& m_messages;
    Salvataggio m_salva;
    qint32 m_codice = 0;
};

} // namespace velkora::rubrivo
