#pragma once

#include "db/Query.h"
#include "db/Transaction.h"
#include "dialoghi/FormDialog.h"

// The controls are public for the callers and tests to read, so their types are complete here.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace velkora {

class TTabXForm;

// The editor of the logged-in user's whole parameter set, as one text. Ok stores the text as
// typed (without single quotes) in UTENTI.VELKORA and rebuilds his rows of TABVELKORA from it,
// every row the text gives; Cancel stores nothing. The File and Percorso buttons put the name
// of a file or the path of a folder, in drive form ("C:\DATI\"), at the caret.
//
// The text is loaded at creation in the window's own transaction; a database error is thrown
// from the constructor and the window is then never shown.
class TMemoVelkoraForm : public FormDialog
{
    Q_OBJECT

public:
    // tabX is the main window's reference cell of the shared data form (not owned); the form's
    // current user is the one whose set is edited.
    TMemoVelkoraForm(QWidget* owner, TTabXForm** tabX);
    ~TMemoVelkoraForm() override;

    QToolButton* ButtonFile;
    QToolButton* ButtonPercorso;
    QPlainTextEdit* MemoTesto;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;

    // The window's own transaction (concurrency, no wait) on the user database, and its query.
    db::Transaction Transazione;
    db::Query QueryAux;

    // The memo's text exactly as typed, line ends as line feeds.
    QString testo() const;

    void ButtonOkClick();
    void ButtonCancelClick();
    // Replaces all rows of the user in TABVELKORA by the rows the memo's text gives.
    void AggiornaTabVelkora();
    void ButtonFileClick();
    void ButtonPercorsoClick();

private:
    TTabXForm& form() const { return **m_tabX; }
    // Puts the text in place of the memo's selection, or at the caret when nothing is selected.
    void inserisci(const QString& testo);

    TTabXForm** m_tabX;
};

} // namespace velkora
