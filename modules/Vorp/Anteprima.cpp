#include "Anteprima.h"

#include "ReportDocument.h"

#include <velkora/TabXForm.h>
#include <velkora/services/PrintLibrary.h>

#include <QAction>
#include <QDate>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPrintPreviewDialog>
#include <QScreen>
#include <QPrinter>
#include <QToolBar>

namespace vorp {

namespace {

// The text of a typed parameter of the form; empty when the form holds none of that name.
QString parametro(velkora::TTabXForm& form, const char* nome)
{
    QString valore;
    form.GetV(QString::fromLatin1(nome), valore);
    return valore;
}

void salvaPdf(const ReportDocument& document, velkora::TTabXForm& form, QWidget* parent, const QString& title)
{
    QFileDialog chooser(parent, QStringLiteral("Salva la stampa in PDF"));
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setNameFilter(QStringLiteral("Documenti PDF (*.pdf)"));
    chooser.setDefaultSuffix(QStringLiteral("pdf"));
    chooser.selectFile(title.isEmpty() ? QStringLiteral("stampa.pdf") : title + QStringLiteral(".pdf"));
    if (form.messages().execDialog(chooser) != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    const QString file = chooser.selectedFiles().constFirst();
    if (!document.writePdf(file))
        form.messages().error(QStringLiteral("Impossibile scrivere il file PDF"), file, parent);
}

} // namespace

void MostraAnteprima(const ReportTable& table, velkora::TTabXForm& form)
{
    const QString title = parametro(form, velkora::kPrintTitleParameter);
    const QString report = parametro(form, velkora::kPrintReportParameter);
    const ReportDocument document(table, ReportLayout::load(form.programFolder(), report, table),
                                  {title, form.DittaCorrente, QDate::currentDate()});

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    document.preparePage(printer);
    QPrintPreviewDialog dialog(&printer, form.ownerWindow());
    dialog.setObjectName(QStringLiteral("AnteprimaStampa"));
    dialog.setWindowTitle(title.isEmpty() ? QStringLiteral("Anteprima di stampa")
                                          : QStringLiteral("Anteprima di stampa - ") + title);
    // As large as a page wants, but inside the screen with its frame: on a small screen the
    // page footer and the dialog's edges stay in sight.
    QSize dimensione(1000, 760);
    const QWidget* sopra = form.ownerWindow();
    const QScreen* schermo =
        sopra && sopra->screen() ? sopra->screen() : QGuiApplication::primaryScreen();
    if (schermo)
        dimensione = dimensione.boundedTo(schermo->availableGeometry().size() - QSize(20, 50));
    dialog.resize(dimensione);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&document](QPrinter* target) { document.print(*target); });

    // Qt's preview prints to any printer; saving a PDF gets a button of its own, since the
    // print dialog of some systems offers no file output.
    if (QToolBar* bar = dialog.findChild<QToolBar*>()) {
        bar->addSeparator();
        QAction* pdf = bar->addAction(QStringLiteral("Salva PDF"));
        pdf->setObjectName(QStringLiteral("SalvaPdf"));
        pdf->setToolTip(QStringLiteral("Salva la stampa in un file PDF"));
        QObject::connect(pdf, &QAction::triggered, &dialog,
                         [&document, &form, &dialog, title] { salvaPdf(document, form, &dialog, title); });
    }
    form.messages().execDialog(dialog);
}

} // namespace vorp
