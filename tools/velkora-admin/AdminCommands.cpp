#include "AdminCommands.h"

#include "GraficaDemo.h"
#include "data/SchemaInstaller.h"
#include "db/Database.h"

#include <QDir>
#include <QTextStream>
#include <exception>

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
             "  check CARTELLA    elenca le tabelle, le colonne e i generatori che mancano\n"
             "                    nel database utenti della cartella\n"
             "  template FILE     crea un database utenti vuoto nel file indicato\n"
             "  tabx FILE         crea un database dei parametri TABX nel file indicato\n"
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

// The database, the folders and the pictures of a program folder. A file that is there already
// is never replaced; each one left alone is named on standard output.
void prepareFolder(const QString& path, bool demo)
{
    SchemaInstaller::initFolder(path, demo);
    const EsitoGrafica grafica = ScriviGrafica(path, demo);
    if (demo)
        out() << "Cartella del programma preparata con i dati dimostrativi: ";
    else
        out() << "Cartella del programma preparata: ";
    out() << QDir::toNativeSeparators(path) << "\n";
    for (const QString& saltato : grafica.saltati)
        out() << "File esistente lasciato invariato: " << QDir::toNativeSeparators(saltato) << "\n";
    out() << Qt::flush;
}

int run(const QString& command, const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (command == QLatin1String("init")) {
        prepareFolder(path, false);
    } else if (command == QLatin1String("demo")) {
        prepareFolder(path, true);
    } else if (command == QLatin1String("template")) {
        SchemaInstaller::createDatabase(path, SchemaInstaller::userSchemaSql());
        out() << "Database utenti creato: " << shown << "\n" << Qt::flush;
    } else if (command == QLatin1String("tabx")) {
        SchemaInstaller::createDatabase(path, SchemaInstaller::tabxSchemaSql());
        out() << "Database TABX creato: " << shown << "\n" << Qt::flush;
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
                                      QStringLiteral("tabx")};
    if (arguments.size() != 2 || !commands.contains(arguments.at(0)) || arguments.at(1).isEmpty())
        return usage();

    try {
        return run(arguments.at(0), arguments.at(1));
    } catch (const std::exception& error) {
        err() << "Errore: " << QString::fromStdString(error.what()) << "\n" << Qt::flush;
        return ExitFailure;
    }
}

} // namespace velkora::admin
