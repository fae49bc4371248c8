#include "data/SchemaInstaller.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlLexer.h"
#include "db/SqlText.h"
#include "db/Transaction.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <stdexcept>
#include <vector>

// The scripts are compiled into the data library. A shared library registers its resources
// when it loads; a static build would not, so they are registered explicitly as well. The
// declaration that Q_INIT_RESOURCE makes must sit at global scope, hence this helper here.
static void registerSchemaResources()
{
    Q_INIT_RESOURCE(schema);
}

namespace velkora::data {

namespace {

constexpr auto kSysdba = "SYSDBA";
constexpr auto kPassword = "quillbark";

std::runtime_error failure(const QString& message)
{
    return std::runtime_error(message.toStdString());
}

// The schema's resources are registered once, before the first read.
void ensureSchemaResources()
{
    static const bool registered = (registerSchemaResources(), true);
    Q_UNUSED(registered);
}

QString readResource(const QString& name)
{
    ensureSchemaResources();
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw failure(QStringLiteral("Risorsa dello schema non trovata: %1").arg(name));
    return QString::fromUtf8(file.readAll());
}

// A name as the engine stores it: a quoted identifier keeps its case, any other is upper case.
QString storedName(const QString& identifier)
{
    if (identifier.size() >= 2 && identifier.startsWith(QLatin1Char('"')) &&
        identifier.endsWith(QLatin1Char('"')))
        return identifier.mid(1, identifier.size() - 2)
            .replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return identifier.toUpper();
}

// The items of a column list, split at the commas that are not inside parentheses, literals or
// quoted names, so that "NUMERIC(18,4)" and "PRIMARY KEY (A, B)" stay whole.
QStringList splitTopLevel(const QString& body)
{
    QStringList items;
    QString current;
    int depth = 0;
    for (const db::SqlPiece& piece : db::sqlPieces(body)) {
        const QStringView text = QStringView(body).mid(piece.start, piece.length);
        if (piece.kind != db::SqlPiece::Kind::Code) {
            current += text;
            continue;
        }
        for (const QChar c : text) {
            if (c == QLatin1Char('('))
                ++depth;
            else if (c == QLatin1Char(')'))
                --depth;
            if (depth == 0 && c == QLatin1Char(',')) {
                items << current.trimmed();
                current.clear();
            } else {
                current += c;
            }
        }
    }
    if (!current.trimmed().isEmpty())
        items << current.trimmed();
    return items;
}

const QString kIdentifier = QStringLiteral(R"(("(?:[^"]|"")+"|[A-Za-z][A-Za-z0-9_$]*))");

struct TableDefinition
{
    QString name;
    QStringList columns;
};

struct SchemaObjects
{
    // Tables and generators in the order the script defines them; a table carries its columns.
    struct Entry
    {
        bool isTable = false;
        TableDefinition table;
        QString generator;
    };
    std::vector<Entry> entries;
};

SchemaObjects parseSchema(const QString& sql)
{
    static const QRegularExpression tableStart(QStringLiteral(R"(^\s*(?:RE)?CREATE\s+TABLE\s+)") +
                                                   kIdentifier + QStringLiteral(R"(\s*\()"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression generator(
        QStringLiteral(R"(^\s*CREATE\s+(?:GENERATOR|SEQUENCE)\s+)") + kIdentifier,
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression firstWord(QStringLiteral(R"(^\s*)") + kIdentifier);
    static const QStringList constraintWords{QStringLiteral("CONSTRAINT"),
                                             QStringLiteral("PRIMARY"), QStringLiteral("UNIQUE"),
                                             QStringLiteral("FOREIGN"), QStringLiteral("CHECK")};

    SchemaObjects objects;
    for (const QString& statement : SchemaInstaller::splitScript(sql)) {
        if (const auto match = tableStart.match(statement); match.hasMatch()) {
            SchemaObjects::Entry entry;
            entry.isTable = true;
            entry.table.name = storedName(match.captured(1));
            const qsizetype open = match.capturedEnd(0);
            const qsizetype close = statement.lastIndexOf(QLatin1Char(')'));
            const QString body = statement.mid(open, close > open ? close - open : -1);
            for (const QString& item : splitTopLevel(body)) {
                const auto word = firstWord.match(item);
                if (!word.hasMatch())
                    continue;
                const QString first = word.captured(1);
                if (!first.startsWith(QLatin1Char('"')) &&
                    constraintWords.contains(first, Qt::CaseInsensitive))
                    continue;
                entry.table.columns << storedName(first);
            }
            objects.entries.push_back(std::move(entry));
        } else if (const auto gen = generator.match(statement); gen.hasMatch()) {
            SchemaObjects::Entry entry;
            entry.generator = storedName(gen.captured(1));
            objects.entries.push_back(std::move(entry));
        }
    }
    return objects;
}

// The rows of a catalogue query as names, trimmed (the catalogue pads them with blanks); with
// two columns, as "RELATION FIELD".
QSet<QString> readNames(db::Database& database, db::Transaction& transaction, const QString& sql)
{
    db::Query query(&database, &transaction);
    query.add(sql);
    query.open();
    QSet<QString> names;
    for (query.first(); !query.eof(); query.next()) {
        QString name = query.asString(0).trimmed();
        if (query.fieldCount() > 1)
            name += QLatin1Char(' ') + query.asString(1).trimmed();
        names.insert(name);
    }
    return names;
}

void ensureFolder(const QString& path)
{
    if (!QDir().mkpath(path))
        throw failure(QStringLiteral("Impossibile creare la cartella %1").arg(path));
}

void refuseExisting(const QString& path)
{
    if (QFileInfo::exists(path))
        throw failure(QStringLiteral("Il database %1 esiste già: non viene sovrascritto")
                          .arg(QDir::toNativeSeparators(path)));
}

} // namespace

QStringList SchemaInstaller::splitScript(const QString& sql)
{
    // Comments are left out (a block comment leaves a space, a line comment its line end) and
    // each ";" outside literals, quoted names and comments ends a statement.
    using Kind = db::SqlPiece::Kind;
    QStringList statements;
    QString current;
    const auto flush = [&] {
        const QString statement = current.trimmed();
        if (!statement.isEmpty())
            statements << statement;
        current.clear();
    };
    for (const db::SqlPiece& piece : db::sqlPieces(sql)) {
        switch (piece.kind) {
        case Kind::Terminator:
            flush();
            break;
        case Kind::LineComment:
            break;
        case Kind::BlockComment:
            if (db::isClosedBlockComment(sql, piece))
                current += QLatin1Char(' ');
            break;
        default:
            current += QStringView(sql).mid(piece.start, piece.length);
            break;
        }
    }
    flush();
    return statements;
}

QString SchemaInstaller::userSchemaSql()
{
    return readResource(QStringLiteral(":/schema/user.sql"));
}

QString SchemaInstaller::tabxSchemaSql()
{
    return readResource(QStringLiteral(":/schema/tabx.sql"));
}

QString SchemaInstaller::demoSql()
{
    return readResource(QStringLiteral(":/schema/demo.sql"));
}

QString SchemaInstaller::dittaSchemaSql()
{
    return readResource(QStringLiteral(":/schema/ditta.sql"));
}

QString SchemaInstaller::dittaDemoSql()
{
    return readResource(QStringLiteral(":/schema/ditta-demo.sql"));
}

void SchemaInstaller::runScript(db::Database& database, const QString& sql)
{
    static const QRegularExpression dataStatement(
        QStringLiteral(R"(^(INSERT|UPDATE|DELETE|MERGE)\b)"),
        QRegularExpression::CaseInsensitiveOption);
    // Rows go in through one transaction per run of data statements: a commit per row costs a
    // disk flush each, which made the demo data many times slower to load. Definitions are
    // committed one by one, and the rows before them first, since rows need their table
    // committed and a definition may need the rows.
    db::Transaction rows(&database);
    for (const QString& statement : splitScript(sql)) {
        try {
            if (dataStatement.match(statement).hasMatch()) {
                db::Query query(&database, &rows);
                query.add(statement);
                query.execSql();
            } else {
                if (rows.active())
                    rows.commit();
                database.executeImmediate(statement);
            }
        } catch (const db::DbError& error) {
            // The engine's text alone does not say which of a hundred statements failed.
            throw db::DbError(error.message() + QStringLiteral("\nIstruzione: ") +
                                  statement.left(200),
                              error.sqlCode(), error.gdsCodes(), error.sqlState());
        }
    }
    if (rows.active())
        rows.commit();
}

void SchemaInstaller::createDatabase(const QString& path, const QString& sql)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    refuseExisting(absolute);
    ensureFolder(QFileInfo(absolute).absolutePath());

    db::Database database;
    database.setDatabaseName(QDir::toNativeSeparators(absolute));
    database.params() << QStringLiteral("user_name=%1").arg(QLatin1String(kSysdba))
                      << QStringLiteral("password=%1").arg(QLatin1String(kPassword));
    database.setSqlDialect(3);
    database.create({QStringLiteral("USER ") + db::quotedIdentifier(QLatin1String(kSysdba)),
                     QStringLiteral("PASSWORD ") + db::quotedIdentifier(QLatin1String(kPassword)),
                     QStringLiteral("PAGE_SIZE 4096")});
    try {
        runScript(database, sql);
    } catch (...) {
        // The file is new and only half made: remove it, so that running again starts clean
        // instead of being refused.
        database.detach();
        QFile::remove(absolute);
        throw;
    }
    database.detach();
}

QStringList SchemaInstaller::missingObjects(db::Database& database, const QString& sql)
{
    const SchemaObjects expected = parseSchema(sql);

    db::Transaction transaction(&database);
    const QSet<QString> tables = readNames(
        database, transaction, QStringLiteral("SELECT RDB$RELATION_NAME FROM RDB$RELATIONS"));
    const QSet<QString> generators = readNames(
        database, transaction, QStringLiteral("SELECT RDB$GENERATOR_NAME FROM RDB$GENERATORS"));
    const QSet<QString> columns = readNames(
        database, transaction,
        QStringLiteral("SELECT RDB$RELATION_NAME, RDB$FIELD_NAME FROM RDB$RELATION_FIELDS"));
    transaction.commit();

    QStringList missing;
    for (const SchemaObjects::Entry& entry : expected.entries) {
        if (!entry.isTable) {
            if (!generators.contains(entry.generator))
                missing << QStringLiteral("generatore %1").arg(entry.generator);
            continue;
        }
        if (!tables.contains(entry.table.name)) {
            missing << QStringLiteral("tabella %1").arg(entry.table.name);
            continue;
        }
        for (const QString& column : entry.table.columns) {
            if (!columns.contains(entry.table.name + QLatin1Char(' ') + column))
                missing << QStringLiteral("colonna %1.%2").arg(entry.table.name, column);
        }
    }
    return missing;
}

QStringList SchemaInstaller::addMissingObjects(db::Database& database, const QString& sql)
{
    static const QRegularExpression table(QStringLiteral(R"(^\s*CREATE\s+TABLE\s+(\w+))"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression index(
        QStringLiteral(R"(^\s*CREATE\s+(?:UNIQUE\s+)?(?:(?:ASC|DESC)\w*\s+)?INDEX\s+\w+\s+ON\s+(\w+))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression generator(
        QStringLiteral(R"(^\s*CREATE\s+(?:GENERATOR|SEQUENCE)\s+(\w+))"),
        QRegularExpression::CaseInsensitiveOption);

    const QStringList missing = missingObjects(database, sql);
    QStringList added;
    for (const QString& statement : splitScript(sql)) {
        QString object;
        if (const QRegularExpressionMatch m = table.match(statement); m.hasMatch()) {
            object = QStringLiteral("tabella %1").arg(m.captured(1).toUpper());
        } else if (const QRegularExpressionMatch m = index.match(statement); m.hasMatch()) {
            // An index belongs to its table: made only with a table made here.
            if (added.contains(QStringLiteral("tabella %1").arg(m.captured(1).toUpper())))
                database.executeImmediate(statement);
            continue;
        } else if (const QRegularExpressionMatch m = generator.match(statement); m.hasMatch()) {
            object = QStringLiteral("generatore %1").arg(m.captured(1).toUpper());
        } else {
            continue;
        }
        if (!missing.contains(object))
            continue;
        database.executeImmediate(statement);
        added << object;
    }
    return added;
}

QStringList SchemaInstaller::demoIconNames()
{
    static const QRegularExpression iconLiteral(QStringLiteral(R"('([^'/\\]+\.ico)')"),
                                                QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (const QString& statement : SchemaInstaller::splitScript(SchemaInstaller::demoSql())) {
        for (auto it = iconLiteral.globalMatch(statement); it.hasNext();) {
            const QString name = it.next().captured(1);
            if (!names.contains(name, Qt::CaseInsensitive))
                names << name;
        }
    }
    return names;
}

void SchemaInstaller::initFolder(const QString& programFolder, bool demo)
{
    const QString databasePath = userDatabasePath(programFolder);
    refuseExisting(databasePath);

    const QDir root(programFolder);
    ensureFolder(root.filePath(QStringLiteral("user")));
    ensureFolder(root.filePath(QStringLiteral("Grafica")));
    ensureFolder(root.filePath(QStringLiteral("NOMIDIT/USERCFG")));

    QString sql = userSchemaSql();
    if (demo)
        sql += QLatin1Char('\n') + demoSql();
    createDatabase(databasePath, sql);
}

QStringList SchemaInstaller::archiviDitta(const QString& programFolder, QStringList* fuori,
                                          const QString& nomeDatabase)
{
    QStringList nomi;
    {
        db::Database database;
        database.setDatabaseName(nomeDatabase.isEmpty()
                                     ? QDir::toNativeSeparators(userDatabasePath(programFolder))
                                     : nomeDatabase);
        database.params() << QStringLiteral("user_name=SYSDBA")
                          << QStringLiteral("password=quillbark");
        database.attach();
        db::Transaction transaction(&database);
        db::Query query(&database, &transaction);
        query.add(QStringLiteral("SELECT DISTINCT VALORE FROM TABVELKORA"));
        query.add(QStringLiteral("WHERE PARAMETRO = ") + db::quoted(QStringLiteral("ArchivioDitta")));
        query.open();
        for (query.first(); !query.eof(); query.next())
            nomi << query.asString(0);
        transaction.rollback();
        database.detach();
    }

    QStringList percorsi;
    const QDir root(programFolder);
    const QString radice = QDir::cleanPath(root.absolutePath()) + QLatin1Char('/');
    for (const QString& nome : nomi) {
        const QString relativo = QString(nome).replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QString percorso = QDir::cleanPath(root.absoluteFilePath(relativo));
        // Only files below the program folder: a name from the database never leads elsewhere.
        if (relativo.isEmpty() || QDir::isAbsolutePath(relativo) || relativo.contains(QLatin1Char(':'))
            || !percorso.startsWith(radice)) {
            if (fuori)
                *fuori << nome;
            continue;
        }
        if (!percorsi.contains(percorso))
            percorsi << percorso;
    }
    return percorsi;
}

QStringList SchemaInstaller::initDemoArchives(const QString& programFolder)
{
    QStringList fuori;
    const QStringList archivi = archiviDitta(programFolder, &fuori);
    QStringList saltati;
    for (const QString& nome : fuori)
        saltati << nome + QStringLiteral(": fuori dalla cartella del programma");
    for (const QString& percorso : archivi) {
        if (QFileInfo::exists(percorso)) {
            saltati << QDir::toNativeSeparators(percorso) + QStringLiteral(": esiste già");
            continue;
        }
        ensureFolder(QFileInfo(percorso).absolutePath());
        createDatabase(percorso, dittaSchemaSql() + QLatin1Char('\n') + dittaDemoSql());
    }
    return saltati;
}

QStringList SchemaInstaller::initDemoReports(const QString& programFolder)
{
    QStringList saltati;
    const QDir cartella(QDir(programFolder).filePath(QStringLiteral("Report")));
    ensureFolder(cartella.path());
    ensureSchemaResources();
    QDirIterator layout(QStringLiteral(":/schema/Report"), QDir::Files);
    while (layout.hasNext()) {
        const QFileInfo sorgente(layout.next());
        const QString percorso = cartella.filePath(sorgente.fileName());
        // A link that leads nowhere counts as a file: writing through it would write elsewhere.
        const QFileInfo esistente(percorso);
        if (esistente.exists() || esistente.isSymLink()) {
            saltati << QStringLiteral("Report/") + sorgente.fileName();
            continue;
        }
        // Copied byte for byte: layouts are Windows-1252 files, as the print library reads them.
        QFile risorsa(sorgente.filePath());
        QFile file(percorso);
        if (!risorsa.open(QIODevice::ReadOnly) || !file.open(QIODevice::WriteOnly)
            || file.write(risorsa.readAll()) < 0 || !file.flush())
            throw failure(QStringLiteral("Impossibile scrivere il file %1").arg(percorso));
    }
    return saltati;
}

QString SchemaInstaller::userDatabasePath(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("user/user.fdb"));
}

} // namespace velkora::data
