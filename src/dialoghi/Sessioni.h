#pragma once

#include "db/Query.h"

#include <QDialog>
#include <QStringList>
// The controls are public for the callers and tests to read, so their types are complete here.
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace velkora {

class TTabXForm;

// The open sessions of the current user (NORVILOG rows without a closing date): he marks some
// or all of them and closes the marked ones, which writes their closing date and time. A
// session closed here, the current one included, stops every later function call of the
// workstation that owns it.
//
// The list is read when the window is made (a database error is then thrown from the
// constructor) and again after every closing pass. The marks are the session codes in
// SessioniSelezionate, in the order they were marked.
class TSessioniForm : public QDialog
{
    Q_OBJECT

public:
    // tabX is the main window's reference cell of the shared data form (not owned); the form's
    // current user must be set.
    TSessioniForm(QWidget* owner, TTabXForm** tabX);
    ~TSessioniForm() override;

    QLabel* Label1;
    QTableWidget* GridSessioni;
    QPushButton* ButtonSel;
    QPushButton* ButtonDeSel;
    QPushButton* ButtonChiudiSel;
    QPushButton* ButtonChiudi;
    db::Query QuerySessioni;
    db::Query QueryAux;
    QStringList SessioniSelezionate;

    // Marks the current row, or takes its mark away.
    void GridSessioniDblClick();
    // F3 released in the grid marks like a double click; other keys do nothing here.
    void GridSessioniKeyUp(int tasto);
    void ButtonSelClick();
    void ButtonDeSelClick();
    // Asks, then closes the marked sessions all with the same date and time, or none of them
    // when one cannot be closed; the list is read again.
    void ButtonChiudiSelClick();

    // Whether the listed row (0 is the first) is marked.
    bool marcata(int riga) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs QuerySessioni again and shows its rows.
    void apriSessioni();
    QString codiceRiga(int riga) const;

    TTabXForm** m_tabX;
};

} // namespace velkora
