#include "StampaReport.h"

#include "AdminCommands.h"
#include "ReportDocument.h"
#include "data/SchemaInstaller.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Transaction.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>

#include <exception>

namespace velkora::admin {

namespace {

int usage()
{
    QTextStream(stderr)
        << "Uso: velkora-admin stampa CARTELLA FILE.pdf SELECT [opzioni]\n"
           "  scrive in FILE.pdf la stampa delle righe di SELECT, come l'anteprima di Vorp\n"
           "  --titolo TESTO      il titolo della stampa\n"
           "  --report NOME       il tracciato Report/NOME.ini della cartella\n"
           "  --ditta TESTO       la ditta nell'intestazione\n"
           "  --database FILE     il database da leggere (senza: il database utenti della cartella)\n"
        << Qt::flush;
    return ExitUsage;
}

struct Options
{
    QString folder;
    QString pdf;
    QString select;
    QString title;
    QString report;
    QString company;
    QString database;
};

bool parse(const QStringList& arguments, Options& o)
{
    QStringList positional;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        QString* target = nullptr;
        if (a == QLatin1String("--titolo"))
            target = &o.title;
        else if (a == QLatin1String("--report"))
            target = &o.report;
        else if (a == QLatin1String("--ditta"))
            target = &o.company;
        else if (a == QLatin1String("--database"))
            target = &o.database;
        if (target) {
            if (++i >= arguments.size())
                return false;
            *target = arguments.at(i);
        } else {
            positional << a;
        }
    }
    if (positional.size() != 3 || positional.contains(QString()))
        return false;
    o.folder = positional.at(0);
    o.pdf = positional.at(1);
    o.select = positional.at(2);
    if (o.database.isEmpty())
        o.database = data::SchemaInstaller::userDatabasePath(o.folder);
    return true;
}

} // namespace

int stampaReport(const QStringList& arguments)
{
    Options o;
    if (!parse(arguments, o))
        return usage();
    QTextStream out(stdout);
    QTextStream err(stderr);
    QElapsedTimer timer;
    timer.start();

    db::Database database;
    database.setDatabaseName(QDir::toNativeSeparators(QDir(o.database).absolutePath()));
    database.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
    try {
        database.attach();
    } catch (const std::exception& error) {
        err << "Impossibile aprire il database " << QDir::toNativeSeparators(o.database) << ": "
            << QString::fromStdString(error.what()) << "\n" << Qt::flush;
        return ExitFailure;
    }

    vorp::ReportTable table;
    try {
        // The selection is the caller's own statement, run as given in a read-only transaction
        // that ends without committing anything.
        db::Transaction reading(&database);
        reading.params() << QStringLiteral("isc_tpb_read") << QStringLiteral("isc_tpb_concurrency");
        db::Query query(&database, &reading);
        query.add(o.select);
        query.open();
        table = vorp::ReportTable::fromQuery(query);
    } catch (const std::exception& error) {
        err << "Errore nella selezione: " << QString::fromStdString(error.what()) << "\n" << Qt::flush;
        return ExitFailure;
    }

    const vorp::ReportDocument document(table, vorp::ReportLayout::load(o.folder, o.report, table),
                                        {o.title, o.company, QDate::currentDate()});
    int pages = 0;
    if (!document.writePdf(o.pdf, &pages)) {
        err << "Impossibile scrivere il file " << QDir::toNativeSeparators(o.pdf) << "\n" << Qt::flush;
        return ExitFailure;
    }
    out << "Stampa scritta: " << QDir::toNativeSeparators(o.pdf) << " (" << table.rows.size() << " righe, "
        << pages << (pages == 1 ? " pagina" : " pagine") << ", " << timer.elapsed() << " ms)\n"
        << Qt::flush;
    return ExitOk;
}

} // namespace velkora::admin
