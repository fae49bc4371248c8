#pragma once

#include "dialoghi/FormDialog.h"

#include <QStringList>
// The controls are public for the callers and tests to read, so their types are complete here.
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>

namespace velkora {

class TTabXForm;

// The company choice: the companies of the current user with the current one selected. F9 shows
// it modally and takes the selected entry after OK; F12 creates it without showing it and reads
// the entries and the selected index.
//
// The list is filled at creation through the data form's query; a database error is thrown from
// the constructor, and the dialog is then never shown. OK is the default button, so Enter
// anywhere presses it, and needs a selected entry; Esc does nothing; closing the window from its
// title bar is Cancel.
class TSelezDittaForm : public FormDialog
{
    Q_OBJECT

public:
    // tabX is the main window's reference cell of the shared data form (not owned); the form's
    // current user must be set.
    TSelezDittaForm(QWidget* owner, TTabXForm** tabX);

    QGroupBox* GroupBox1;
    QListWidget* ListBoxSelDitta;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;

    // The entries, in list order.
    QStringList ditte() const;
    // The row of the selected entry; -1 when none is selected.
    int indiceSelezionato() const;
    // The text of the selected entry (the chosen company after OK); empty when none is selected.
    QString dittaScelta() const;

    void ButtonOkClick();
    void ButtonCancelClick();
    void ListBoxSelDittaDblClick();
    // Enter (character 13) acts as OK; other keys are left to the list. True when handled.
    bool ListBoxSelDittaKeyPress(QChar key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TTabXForm** m_tabX;
};

} // namespace velkora
