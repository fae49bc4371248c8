#include "ContattoDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <velkora/platform/MessageService.h>

namespace velkora::rubrivo {

namespace {

QLineEdit* campo(QWidget* parent, const QString& nome, const QString& testo, int lunghezza)
{
    auto* edit = new QLineEdit(testo, parent);
    edit->setObjectName(nome);
    edit->setMaxLength(lunghezza);
    return edit;
}

} // namespace

TContattoDialog::TContattoDialog(const QString& titolo, const Contatto& contatto,
                                 platform::MessageService& messages, Salvataggio salva,
                                 QWidget* parent)
    : QDialog(parent), m_messages(messages), m_salva(std::move(salva)), m_codice(contatto.codice)
{
    setObjectName(QStringLiteral("ContattoDialog"));
    setWindowTitle(titolo);

    EditNome = campo(this, QStringLiteral("EditNome"), contatto.nome, Rubrica::kLunghezzaNome);
    EditTelefono =
        campo(this, QStringLiteral("EditTelefono"), contatto.telefono, Rubrica::kLunghezzaTelefono);
    EditEmail = campo(this, QStringLiteral("EditEmail"), contatto.email, Rubrica::kLunghezzaEmail);
    MemoNote = new QPlainTextEdit(contatto.note, this);
    MemoNote->setObjectName(QStringLiteral("MemoNote"));
    // Tab moves on to the buttons instead of typing a tab into the notes.
    MemoNote->setTabChangesFocus(true);
    MemoNote->setFixedHeight(MemoNote->fontMetrics().lineSpacing() * 5 + 12);

    auto* campi = new QFormLayout;
    campi->addRow(QStringLiteral("&Nome:"), EditNome);
    campi->addRow(QStringLiteral("&Telefono:"), EditTelefono);
    campi->addRow(QStringLiteral("&E-mail:"), EditEmail);
    campi->addRow(QStringLiteral("N&ote:"), MemoNote);

    ButtonOk = new QPushButton(QStringLiteral("&Salva"), this);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setDefault(true);
    ButtonAnnulla = new QPushButton(QStringLiteral("&Annulla"), this);
    ButtonAnnulla->setObjectName(QStringLiteral("ButtonAnnulla"));
    auto* pulsanti = new QHBoxLayout;
    pulsanti->addStretch();
    pulsanti->addWidget(ButtonOk);
    pulsanti->addWidget(ButtonAnnulla);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(campi);
    layout->addLayout(pulsanti);

    connect(ButtonOk, &QPushButton::clicked, this, &TContattoDialog::ButtonOkClick);
    connect(ButtonAnnulla, &QPushButton::clicked, this, &QDialog::reject);

    resize(420, sizeHint().height());
    EditNome->setFocus();
}

Contatto TContattoDialog::contatto() const
{
    Contatto c;
    c.codice = m_codice;
    c.nome = EditNome->text().trimmed();
    c.telefono = EditTelefono->text().trimmed();
    c.email = EditEmail->text().trimmed();
    c.note = MemoNote->toPlainText();
    // Blank lines and spaces at the end of the notes carry nothing.
    while (!c.note.isEmpty() && c.note.back().isSpace())
        c.note.chop(1);
    return c;
}

void TContattoDialog::ButtonOkClick()
{
    const Contatto c = contatto();
    if (c.nome.isEmpty()) {
        m_messages.warning(QStringLiteral("Inserire il nome del contatto."), this);
        EditNome->setFocus();
        return;
    }
    if (c.note.size() > Rubrica::kLunghezzaNote) {
        m_messages.warning(
            QStringLiteral("Le note possono contenere al massimo %1 caratteri: ne contengono %2.")
                .arg(Rubrica::kLunghezzaNote)
                .arg(c.note.size()),
            this);
        MemoNote->setFocus();
        return;
    }
    if (m_salva(c))
        accept();
}

} // namespace velkora::rubrivo
