#include "AdminCommands.h"

#include "GraficaDemo.h"
#include "StampaReport.h"
#include "data/SchemaInstaller.h"
#include "db/Database.h"
#include "db/DbError.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <exception>
#include <stdexcept>

namespace velkora::admin {

namespace {

using data::SchemaInstaller;

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

int usage()
{
    err() << "Uso: velkora-admin COMANDO PERCORSO\n"
             "  init CARTELLA     prepara la cartella del programma con un database utenti vuoto\n"
             "  demo CARTELLA     come init, con i dati dimostrativi e le icone\n"
             "  programma CARTELLA  copia nella cartella il programma e i moduli installati,\n"
             "                    sostituendo quelli di una versione diversa\n"
             "  check CARTELLA    elenca le tabelle, le colonne e i generatori che mancano\n"
             "                    nel database utenti della cartella\n"
             "  template FILE     crea un database utenti vuoto nel file indicato\n"
             "  tabx FILE         crea un database dei parametri TABX nel file indicato\n"
             "  stampa CARTELLA FILE.pdf SELECT [opzioni]\n"
             "                    scrive in un file PDF la stampa delle righe di una selezione\n"
             "  ditta FILE        crea l'archivio vuoto di una ditta (clienti e fornitori)\n"
             "                    nel file indicato\n"
          << Qt::flush;
    return ExitUsage;
}

int check(const QString& folder)
{
    const QString path = SchemaInstaller::userDatabasePath(folder);
    db::Database database;
    database.setDatabaseName(QDir::toNativeSeparators(QDir(path).absolutePath()));
    database.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
    try {
        database.attach();
    } catch (const std::exception& error) {
        err() << "Impossibile aprire il database " << QDir::toNativeSeparators(path) << ": "
              << QString::fromStdString(error.what()) << "\n"
              << Qt::flush;
        return ExitUsage;
    }

    const QStringList missing =
        SchemaInstaller::missingObjects(database, SchemaInstaller::userSchemaSql());
    for (const QString& line : missing)
        out() << line << "\n";
    out() << Qt::flush;
    if (missing.isEmpty()) {
        err() << "Il database " << QDir::toNativeSeparators(path) << " è completo\n" << Qt::flush;
        return ExitOk;
    }
    err() << "Nel database " << QDir::toNativeSeparators(path) << " mancano " << missing.size()
          << " oggetti\n"
          << Qt::flush;
    return ExitFailure;
}

// An installed copy of the suite keeps the program beside this tool and the module libraries in
// its "moduli" folder. The program folder is the folder of the executable, so a program folder
// of an office gets its own copy of both; in the build tree there is no "moduli" folder and the
// tool's own folder is the program folder already.
QString installedModules()
{
    const QDir own(QCoreApplication::applicationDirPath());
    const QString modules = own.filePath(QStringLiteral("moduli"));
    return QFileInfo(modules).isDir() ? modules : QString();
}

QByteArray contentHash(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

struct EsitoCopia
{
    QStringList copiati;
    QStringList aggiornati;
    QStringList saltati;
};

// Copies the installed program and module libraries into the folder. A file already there is
// left alone, unless `replaceDifferent` asks to bring an older copy up to the installed one:
// the old file is removed first, so a program still running from it keeps its own copy.
EsitoCopia copyProgramFiles(const QString& folder, bool replaceDifferent)
{
    EsitoCopia esito;
    const QString modules = installedModules();
    if (modules.isEmpty())
        return esito;
    const QDir target(folder);
    if (QFileInfo(target.absolutePath()).canonicalFilePath() ==
        QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath())
        return esito;
    if (!target.mkpath(QStringLiteral(".")))
        throw std::runtime_error(
            QStringLiteral("Impossibile creare la cartella %1").arg(folder).toStdString());

    QStringList sources{QDir(QCoreApplication::applicationDirPath())
                            .filePath(QStringLiteral("velkora"))};
    const QFileInfoList libraries = QDir(modules).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& library : libraries)
        sources << library.filePath();

    for (const QString& source : sources) {
        const QString destination = target.filePath(QFileInfo(source).fileName());
        const bool exists = QFileInfo::exists(destination);
        if (exists && (!replaceDifferent || contentHash(destination) == contentHash(source))) {
            esito.saltati << destination;
            continue;
        }
        if (exists && !QFile::remove(destination))
            throw std::runtime_error(QStringLiteral("Impossibile sostituire il file %1")
                                         .arg(QDir::toNativeSeparators(destination))
                                         .toStdString());
        if (!QFile::copy(source, destination))
            throw std::runtime_error(QStringLiteral("Impossibile copiare %1 in %2")
                                         .arg(QDir::toNativeSeparators(source),
                                              QDir::toNativeSeparators(destination))
                                         .toStdString());
        (exists ? esito.aggiornati : esito.copiati) << destination;
    }
    return esito;
}

void listProgramFiles(const EsitoCopia& esito)
{
    for (const QString& copiato : esito.copiati)
        out() << "File del programma copiato: " << QDir::toNativeSeparators(copiato) << "\n";
    for (const QString& aggiornato : esito.aggiornati)
        out() << "File del programma aggiornato: " << QDir::toNativeSeparators(aggiornato) << "\n";
}

// The database, the folders and the pictures of a program folder. A file that is there already
// is never replaced; each one left alone is named on standard output.
void prepareFolder(const QString& path, bool demo)
{
    SchemaInstaller::initFolder(path, demo);
    // The archives of the demo companies, named by the users' parameter sets.
    const QStringList archivi = demo ? SchemaInstaller::initDemoArchives(path) : QStringList();
    const QStringList report = demo ? SchemaInstaller::initDemoReports(path) : QStringList();
    const EsitoGrafica grafica = ScriviGrafica(path, demo);
    const EsitoCopia programma = copyProgramFiles(path, false);
    if (demo)
        out() << "Cartella del programma preparata con i dati dimostrativi: ";
    else
        out() << "Cartella del programma preparata: ";
    out() << QDir::toNativeSeparators(path) << "\n";
    listProgramFiles(programma);
    for (const QString& saltato : grafica.saltati + programma.saltati + report)
        out() << "File esistente lasciato invariato: " << QDir::toNativeSeparators(saltato) << "\n";
    for (const QString& archivio : archivi)
        out() << "Archivio della ditta non preparato: " << archivio << "\n";
    out() << Qt::flush;
}

// A workstation's program folder brought up to the installed program: its database, settings
// and pictures are not touched.
int updateProgram(const QString& path)
{
    if (installedModules().isEmpty()) {
        err() << "Il programma non risulta installato accanto a velkora-admin: nessun file da "
                 "copiare\n"
              << Qt::flush;
        return ExitFailure;
    }
    const EsitoCopia esito = copyProgramFiles(path, true);
    listProgramFiles(esito);
    out() << "Programma aggiornato nella cartella " << QDir::toNativeSeparators(path) << "\n"
          << Qt::flush;
    return ExitOk;
}

int run(const QString& command, const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (command == QLatin1String("init")) {
        prepareFolder(path, false);
    } else if (command == QLatin1String("demo")) {
        prepareFolder(path, true);
    } else if (command == QLatin1String("programma")) {
        return updateProgram(path);
    } else if (command == QLatin1String("template")) {
        SchemaInstaller::createDatabase(path, SchemaInstaller::userSchemaSql());
        out() << "Database utenti creato: " << shown << "\n" << Qt::flush;
    } else if (command == QLatin1String("tabx")) {
        SchemaInstaller::createDatabase(path, SchemaInstaller::tabxSchemaSql());
        out() << "Database TABX creato: " << shown << "\n" << Qt::flush;
    } else if (command == QLatin1String("ditta")) {
        SchemaInstaller::createDatabase(path, SchemaInstaller::dittaSchemaSql());
        out() << "Archivio della ditta creato: " << shown << "\n" << Qt::flush;
    } else if (command == QLatin1String("check")) {
        return check(path);
    } else {
        return usage();
    }
    return ExitOk;
}

} // namespace

int runCommand(const QStringList& arguments)
{
    static const QStringList commands{QStringLiteral("init"), QStringLiteral("demo"),
                                      QStringLiteral("check"), QStringLiteral("template"),
                                      QStringLiteral("programma"),
                                      QStringLiteral("tabx"), QStringLiteral("ditta")};
    if (!arguments.isEmpty() && arguments.at(0) == QLatin1String("stampa"))
        return stampaReport(arguments.mid(1));
    if (arguments.size() != 2 || !commands.contains(arguments.at(0)) || arguments.at(1).isEmpty())
        return usage();

    try {
        return run(arguments.at(0), arguments.at(1));
    } catch (const std::exception& error) {
        // A database's failure says in Italian what went wrong, with the engine's words after it.
        if (const auto* descritto = dynamic_cast<const platform::DescribedFailure*>(&error)) {
            const platform::FailureText testo = descritto->describe();
            err() << "Errore: " << testo.message << "\n";
            if (!testo.detail.isEmpty())
                err() << testo.detail << "\n";
            err() << Qt::flush;
            return ExitFailure;
        }
        err() << "Errore: " << QString::fromStdString(error.what()) << "\n" << Qt::flush;
        return ExitFailure;
    }
}

} // namespace velkora::admin
