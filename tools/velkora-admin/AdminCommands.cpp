#include "AdminCommands.h"

#include "CopiaUfficio.h"

#include "GraficaDemo.h"
#include "StampaReport.h"
#include "data/SchemaInstaller.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
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
    err() << "Uso: velkora-admin COMANDO PERCORSO [SERVER]\n"
             "  init CARTELLA     prepara la cartella del programma con un database utenti vuoto\n"
             "  demo CARTELLA     come init, con i dati dimostrativi e le icone\n"
             "  programma CARTELLA  copia nella cartella il programma e i moduli installati,\n"
             "                    sostituendo quelli di una versione diversa\n"
             "  postazione CARTELLA SERVER\n"
             "                    prepara la cartella di una postazione che lavora sul database\n"
             "                    del server indicato (\"dbserver\", \"dbserver/3051\"): il\n"
             "                    programma, i moduli, Grafica, Report, NOMIDIT e user/dati.ini\n"
             "  server CARTELLA [SERVER]\n"
             "                    affida all'utente firebird il database utenti e gli archivi\n"
             "                    delle ditte della cartella, e scrive user/dati.ini perché\n"
             "                    anche il programma del server passi dal server (\"localhost\")\n"
             "  check CARTELLA    elenca le tabelle, le colonne e i generatori che mancano\n"
             "                    nel database utenti della cartella\n"
             "  template FILE     crea un database utenti vuoto nel file indicato\n"
             "  tabx FILE         crea un database dei parametri TABX nel file indicato\n"
             "  stampa CARTELLA FILE.pdf SELECT [opzioni]\n"
             "                    scrive in un file PDF la stampa delle righe di una selezione\n"
             "  ditta FILE        crea l'archivio vuoto di una ditta (clienti, fornitori e\n"
             "                    articoli) nel file indicato; a un archivio che c'è già\n"
             "                    aggiunge le tabelle e i generatori che gli mancano\n"
             "  backup CARTELLA FILE\n"
             "                    scrive in un file nuovo la copia del database utenti, degli\n"
             "                    archivi delle ditte, di Report, Grafica e dei dati.ini\n"
             "  ripristino FILE CARTELLA\n"
             "                    ripristina una copia in una cartella nuova e la controlla\n"
          << Qt::flush;
    return ExitUsage;
}

// An archive made by an earlier version gets the tables and generators it lacks (the items, say);
// its rows and what it has are left as they are.
int completeArchive(const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    db::Database database;
    database.setDatabaseName(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    database.params() << QStringLiteral("user_name=SYSDBA") << QStringLiteral("password=quillbark");
    try {
        database.attach();
        // Only an archive is completed: another database (the user database, named by mistake)
        // is left without a company's tables.
        const QStringList before =
            SchemaInstaller::missingObjects(database, SchemaInstaller::dittaSchemaSql());
        if (before.contains(QStringLiteral("tabella CLIENTI"))
            && before.contains(QStringLiteral("tabella FORNITORI"))) {
            err() << "Il database " << shown << " non è l'archivio di una ditta (non ha clienti "
                  << "né fornitori): non viene modificato\n"
                  << Qt::flush;
            return ExitFailure;
        }
        const QStringList added =
            SchemaInstaller::addMissingObjects(database, SchemaInstaller::dittaSchemaSql());
        const QStringList left =
            SchemaInstaller::missingObjects(database, SchemaInstaller::dittaSchemaSql());
        if (added.isEmpty())
            out() << "L'archivio della ditta ha già tutte le tabelle: " << shown << "\n";
        for (const QString& object : added)
            out() << "Aggiunto all'archivio della ditta " << shown << ": " << object << "\n";
        for (const QString& object : left)
            out() << "Manca ancora nell'archivio (da aggiungere a mano): " << object << "\n";
        out() << Qt::flush;
        return left.isEmpty() ? ExitOk : ExitFailure;
    } catch (const std::exception& error) {
        err() << "Impossibile completare l'archivio della ditta " << shown << ": "
              << QString::fromStdString(error.what()) << "\n"
              << Qt::flush;
        return ExitFailure;
    }
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

// The files a program folder needs of the program: the start program and the module libraries.
// Installed, they are the program beside this tool and the libraries of "moduli". In the build
// tree (only when `alsoBuildTree` asks) they are the program and the libraries that the build's
// "moduli.txt" names and the data library, all beside this tool; empty anywhere else.
QStringList programSources(bool alsoBuildTree)
{
    const QDir own(QCoreApplication::applicationDirPath());
    QStringList sources{own.filePath(QStringLiteral("velkora"))};
    const QString modules = installedModules();
    if (!modules.isEmpty()) {
        const QFileInfoList libraries = QDir(modules).entryInfoList(QDir::Files, QDir::Name);
        for (const QFileInfo& library : libraries)
            sources << library.filePath();
        return sources;
    }
    QFile list(own.filePath(QStringLiteral("moduli.txt")));
    if (!alsoBuildTree || !list.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    for (const QByteArray& line : list.readAll().split('\n')) {
        const QString name = QString::fromUtf8(line).trimmed();
        if (!name.isEmpty())
            sources << own.filePath(name);
    }
    // The program finds the data library in its own folder; no installed copy stands behind a
    // folder laid out from the build tree.
    sources << own.filePath(QStringLiteral("libvelkoradata.so"));
    return sources;
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

// Copies the installed program and module libraries (those of the build tree too, with
// `alsoBuildTree`) into the folder. A file already there is left alone, unless
// `replaceDifferent` asks to bring an older copy up to the installed one: the old file is
// removed first, so a program still running from it keeps its own copy.
EsitoCopia copyProgramFiles(const QString& folder, bool replaceDifferent, bool alsoBuildTree = false)
{
    EsitoCopia esito;
    const QStringList sources = programSources(alsoBuildTree);
    if (sources.isEmpty())
        return esito;
    const QDir target(folder);
    if (QFileInfo(target.absolutePath()).canonicalFilePath() ==
        QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath())
        return esito;
    if (!target.mkpath(QStringLiteral(".")))
        throw std::runtime_error(
            QStringLiteral("Impossibile creare la cartella %1").arg(folder).toStdString());

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

// The settings file that sends the program of a folder to a server; an existing one is kept.
// True when it was written.
bool writeDatiIni(const QString& folder, const QString& server)
{
    const QString path = QDir(folder).filePath(QStringLiteral("user/dati.ini"));
    const QFileInfo existing(path);
    if (existing.exists() || existing.isSymLink())
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw std::runtime_error(
            QStringLiteral("Impossibile creare la cartella %1")
                .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()))
                .toStdString());
    platform::IniFile ini(path);
    if (!ini.writeString(QStringLiteral("CONFIG"), QStringLiteral("Nome Server"), server))
        throw std::runtime_error(QStringLiteral("Impossibile scrivere il file %1")
                                     .arg(QDir::toNativeSeparators(path))
                                     .toStdString());
    return true;
}

void listDatiIni(const QString& folder, const QString& server, bool scritto)
{
    const QString path = QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("user/dati.ini")));
    if (scritto)
        out() << "Scritto " << path << " con Nome Server=" << server << "\n";
    else
        out() << "File esistente lasciato invariato: " << path << "\n";
}

// A workstation's program folder: everything a program folder holds but the database, which it
// reaches on the named server at the same path. A folder that holds a user database is refused:
// its dati.ini would hide that database from the program.
int prepareWorkstation(const QString& path, const QString& server)
{
    const QString database = SchemaInstaller::userDatabasePath(path);
    if (QFileInfo::exists(database)) {
        err() << "La cartella contiene già il database " << QDir::toNativeSeparators(database)
              << ": una postazione non ha un database proprio (sul server usare \"velkora-admin "
                 "server\")\n"
              << Qt::flush;
        return ExitFailure;
    }
    if (programSources(true).isEmpty()) {
        err() << "Non si trovano il programma e i moduli accanto a velkora-admin: nessun file da "
                 "copiare\n"
              << Qt::flush;
        return ExitFailure;
    }
    const QDir root(path);
    for (const char* folder : {"user", "NOMIDIT/USERCFG"}) {
        if (!root.mkpath(QLatin1String(folder)))
            throw std::runtime_error(QStringLiteral("Impossibile creare la cartella %1")
                                         .arg(QDir::toNativeSeparators(root.filePath(QLatin1String(folder))))
                                         .toStdString());
    }
    const EsitoCopia programma = copyProgramFiles(path, false, true);
    const EsitoGrafica grafica = ScriviGrafica(path, true);
    const QStringList report = SchemaInstaller::initDemoReports(path);
    const bool scritto = writeDatiIni(path, server);
    out() << "Cartella della postazione preparata: " << QDir::toNativeSeparators(path) << "\n";
    listProgramFiles(programma);
    listDatiIni(path, server, scritto);
    for (const QString& saltato : grafica.saltati + programma.saltati + report)
        out() << "File esistente lasciato invariato: " << QDir::toNativeSeparators(saltato) << "\n";
    out() << Qt::flush;
    return ExitOk;
}

// The server's program folder made ready for the Firebird server, which runs as user firebird
// and opens the databases itself: the user database and the company archives its users name,
// with the folders between them and the program folder, become firebird's. The folders above
// must let him through; a folder that does not is named, since the server could not open the
// files below it.
int prepareServer(const QString& path, const QString& server)
{
    const QString serverUser = QStringLiteral("firebird");
    const QString database = SchemaInstaller::userDatabasePath(path);
    if (!QFileInfo(database).isFile()) {
        err() << "Nella cartella manca il database " << QDir::toNativeSeparators(database)
              << " (prepararlo con \"velkora-admin init\" o \"demo\")\n"
              << Qt::flush;
        return ExitFailure;
    }
    const QString root = QDir::cleanPath(QDir(path).absolutePath());
    QStringList fuori;
    QStringList files{QDir::cleanPath(QFileInfo(database).absoluteFilePath())};
    files << SchemaInstaller::archiviDitta(path, &fuori);

    // Each file and every folder between it and the program folder, once each.
    QStringList items;
    QStringList mancanti;
    for (const QString& file : files) {
        if (!QFileInfo(file).isFile()) {
            mancanti << file;
            continue;
        }
        QStringList chain{file};
        for (QString folder = QFileInfo(file).absolutePath(); folder.startsWith(root + QLatin1Char('/'));
             folder = QFileInfo(folder).absolutePath())
            chain.prepend(folder);
        for (const QString& item : chain) {
            if (!items.contains(item))
                items << item;
        }
    }
    int failures = 0;
    for (const QString& item : items) {
        QString errore;
        if (platform::giveToUser(item, serverUser, &errore)) {
            out() << "Affidato all'utente " << serverUser << ": " << QDir::toNativeSeparators(item)
                  << "\n";
        } else {
            err() << "Impossibile affidare " << QDir::toNativeSeparators(item) << " all'utente "
                  << serverUser << ": " << errore << "\n";
            ++failures;
        }
    }
    for (const QString& file : mancanti)
        out() << "Archivio della ditta non trovato: " << QDir::toNativeSeparators(file) << "\n";
    for (const QString& nome : fuori)
        out() << "Archivio della ditta fuori dalla cartella del programma, lasciato com'è: " << nome
              << "\n";
    // From the root down to the program folder: the server must pass through each of them.
    QStringList above;
    for (QString folder = root; !folder.isEmpty(); ) {
        above.prepend(folder);
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            break;
        folder = parent;
    }
    for (const QString& folder : above) {
        if (!platform::userCanEnter(folder, serverUser))
            err() << "Attenzione: l'utente " << serverUser << " non può entrare nella cartella "
                  << QDir::toNativeSeparators(folder)
                  << ": il server non potrà aprire i database (chmod o+x)\n";
    }
    listDatiIni(path, server, writeDatiIni(path, server));
    out() << Qt::flush;
    err() << Qt::flush;
    return failures == 0 ? ExitOk : ExitFailure;
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
        if (QFileInfo::exists(path))
            return completeArchive(path);
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

int verificaCartella(const QString& folder)
{
    return check(folder);
}

bool needsFonts(const QStringList& arguments)
{
    const QString command = arguments.value(0);
    if (command == QLatin1String("postazione"))
        return arguments.size() == 3 && !arguments.at(2).trimmed().isEmpty();
    return command == QLatin1String("demo") || command == QLatin1String("stampa");
}

int runCommand(const QStringList& arguments)
{
    static const QStringList commands{QStringLiteral("init"), QStringLiteral("demo"),
                                      QStringLiteral("check"), QStringLiteral("template"),
                                      QStringLiteral("programma"),
                                      QStringLiteral("tabx"), QStringLiteral("ditta")};
    if (!arguments.isEmpty() && arguments.at(0) == QLatin1String("stampa"))
        return stampaReport(arguments.mid(1));
    // The copy of an office and its restoring take two paths.
    if (!arguments.isEmpty() && (arguments.at(0) == QLatin1String("backup") ||
                                 arguments.at(0) == QLatin1String("ripristino"))) {
        if (arguments.size() != 3 || arguments.at(1).isEmpty() || arguments.at(2).isEmpty())
            return usage();
        const int esito = arguments.at(0) == QLatin1String("backup")
                              ? backupCartella(arguments.at(1), arguments.at(2), out(), err())
                              : ripristinoCartella(arguments.at(1), arguments.at(2), out(), err());
        // The process ends without running the libraries' exit handlers. They unload the
        // embedded engine's plugin while one of the engine's own threads may still be winding
        // down after the service's work (the files are complete and closed by then: the service
        // has said it finished), and that made the tool crash now and then after a complete copy
        // or restore: a copy that worked must not end with a failure. fb_shutdown unloads the
        // plugin the same way, so it is no cure.
        out() << Qt::flush;
        err() << Qt::flush;
        std::fflush(nullptr);
        std::_Exit(esito);
    }
    // The commands of an office take the server's name after the folder.
    const bool postazione = !arguments.isEmpty() && arguments.at(0) == QLatin1String("postazione");
    const bool server = !arguments.isEmpty() && arguments.at(0) == QLatin1String("server");
    if (postazione || server) {
        if (arguments.size() < 2 || arguments.size() > 3 || arguments.at(1).isEmpty()
            || (postazione && arguments.size() != 3)
            || (arguments.size() == 3 && arguments.at(2).trimmed().isEmpty()))
            return usage();
        try {
            return postazione ? prepareWorkstation(arguments.at(1), arguments.at(2).trimmed())
                              : prepareServer(arguments.at(1), arguments.size() == 3
                                                                   ? arguments.at(2).trimmed()
                                                                   : QStringLiteral("localhost"));
        } catch (const std::exception& error) {
            err() << "Errore: " << QString::fromStdString(error.what()) << "\n" << Qt::flush;
            return ExitFailure;
        }
    }
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
