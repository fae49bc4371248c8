#include "dialoghi/MemoVelkora.h"

#include "data/TabX.h"
#include "db/DbError.h"
#include "db/TransactionGuard.h"
#include "params/TestoParametri.h"
#include "dialoghi/SelDir.h"
#include "platform/MessageService.h"
#include "platform/ui/WindowPlacement.h"

#include <QBoxLayout>
#include <QFileDialog>
#include <QTextDocument>

namespace velkora {

TMemoVelkoraForm::TMemoVelkoraForm(QWidget* owner, TTabXForm** tabX)
    : FormDialog(owner), ButtonFile(new QToolButton(this)), ButtonPercorso(new QToolButton(this)),
      MemoTesto(new QPlainTextEdit(this)), ButtonOk(makeOkButton(this)),
      ButtonCancel(makeCancelButton(this)), Transazione(&(*tabX)->IBDatabaseUser),
      QueryAux(&(*tabX)->IBDatabaseUser, &Transazione), m_tabX(tabX)
{
    setObjectName(QStringLiteral("MemoVelkoraForm"));
    // The caption names the user, whatever its words say.
    setWindowTitle(QStringLiteral("Editazione parametri velkra - Ditta:") + QLatin1Char(' ') +
                   form().NomeUser);
    setSizeGripEnabled(true);
    resize(696, 480);

    ButtonFile->setObjectName(QStringLiteral("ButtonFile"));
    ButtonFile->setText(QStringLiteral("File"));
    ButtonFile->setAutoRaise(true);
    ButtonPercorso->setObjectName(QStringLiteral("ButtonPercorso"));
    ButtonPercorso->setText(QStringLiteral("Percorso"));
    ButtonPercorso->setAutoRaise(true);
    MemoTesto->setObjectName(QStringLiteral("MemoTesto"));
    MemoTesto->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ButtonOk->setDefault(true);
    ButtonCancel->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addStretch();
    top->addWidget(ButtonFile);
    top->addWidget(ButtonPercorso);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(ButtonOk);
    bottom->addWidget(ButtonCancel);
    bottom->addStretch();
    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(8, 4, 8, 8);
    window->addLayout(top);
    window->addWidget(MemoTesto, 1);
    window->addLayout(bottom);

    setTabOrder(MemoTesto, ButtonOk);
    setTabOrder(ButtonOk, ButtonCancel);
    setTabOrder(ButtonCancel, ButtonFile);
    setTabOrder(ButtonFile, ButtonPercorso);
    MemoTesto->setFocus();

    connect(ButtonOk, &QPushButton::clicked, this, &TMemoVelkoraForm::ButtonOkClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TMemoVelkoraForm::ButtonCancelClick);
    connect(ButtonFile, &QToolButton::clicked, this, &TMemoVelkoraForm::ButtonFileClick);
    connect(ButtonPercorso, &QToolButton::clicked, this, &TMemoVelkoraForm::ButtonPercorsoClick);

    Transazione.params() << QStringLiteral("isc_tpb_concurrency")
                         << QStringLiteral("isc_tpb_nowait");
    Transazione.start();
    // The reading rules drop every carriage return, so "A=1\r2" is the value 12; the memo would
    // break the line at a lone carriage return and store two lines. Without them the memo shows
    // the text as it reads ("\r\n" line ends become line feeds).
    QString stored = leggiTestoParametri(QueryAux, form().NumUser);
    stored.remove(QLatin1Char('\r'));
    MemoTesto->setPlainText(stored);

    platform::centerOnScreen(*this);
}

TMemoVelkoraForm::~TMemoVelkoraForm()
{
    QueryAux.close();
    // Nothing the window did stays pending; a lost connection does not throw out of here.
    db::TransactionGuard(Transazione).rollback();
}

QString TMemoVelkoraForm::testo() const
{
    // The raw text keeps every character as typed (toPlainText would turn the no-break space,
    // a character of the suite's code page, into a blank); only the paragraph ends become line
    // feeds.
    QString raw = MemoTesto->document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    raw.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return raw;
}

void TMemoVelkoraForm::ButtonOkClick()
{
    const QString typed = testo();
    const QString text = senzaApostrofi(typed);
    if (text != typed)
        MemoTesto->setPlainText(text);

    TTabXForm& f = form();
    try {
        salvaTestoParametri(QueryAux, f.NumUser, text);
        // Reloads the user's name and company from his row.
        f.SetUserPerNum(f.NumUser);
    } catch (const db::DbError& e) {
        f.messages().error(QStringLiteral("Errore interno di UPDATE: impossibile aggiornare i "
                                          "parametri velkora dell'utente"),
                           e.message(), this);
    }
    AggiornaTabVelkora();
    // The data form reads parameters in a snapshot transaction that began before this window
    // committed; ending it makes the next read start a fresh one, so the program uses the values
    // just stored instead of the old ones until some later commit.
    f.QueryVelkora.close();
    db::TransactionGuard(f.TransazioneUser).rollback();
    accept();
}

void TMemoVelkoraForm::AggiornaTabVelkora()
{
    ricostruisciRigheParametri(QueryAux, form().messages(), form().NumUser, testo(), this);
}

void TMemoVelkoraForm::ButtonCancelClick()
{
    reject();
}

void TMemoVelkoraForm::ButtonFileClick()
{
    QFileDialog DialogApri(this);
    DialogApri.setFileMode(QFileDialog::ExistingFile);
    DialogApri.setAcceptMode(QFileDialog::AcceptOpen);
    if (form().messages().execDialog(DialogApri) != QDialog::Accepted)
        return;
    const QStringList files = DialogApri.selectedFiles();
    if (files.isEmpty())
        return;
    // The name in drive form, as the suite's paths are written in parameter sets.
    QString name = form().environment().drives.toDrive(files.first());
    if (name.isEmpty())
        name = files.first();
    else
        name.replace(QLatin1Char('/'), QLatin1Char('\\'));
    inserisci(name);
}

void TMemoVelkoraForm::ButtonPercorsoClick()
{
    TSelDirForm chooser(this, form().environment().drives);
    if (form().messages().execDialog(chooser) != QDialog::Accepted)
        return;
    inserisci(chooser.DirectoryListBox1->drivePath());
}

void TMemoVelkoraForm::inserisci(const QString& testo)
{
    MemoTesto->insertPlainText(testo);
}

} // namespace velkora
