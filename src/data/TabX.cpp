#include "data/TabX.h"

#include "data/DatabaseLocation.h"
#include "db/DbError.h"
#include "db/TransactionGuard.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/MessageService.h"

#include <QSet>
#include <QWidget>
#include <mutex>

namespace velkora {

namespace {

// The per-window scripts table; the program creates it itself when a database lacks it.
const QStringList kCreateTabScript = {
    QStringLiteral("CREATE TABLE TABSCRIPT("),
    QStringLiteral("PROGETTO VARCHAR(15) NOT NULL,"),
    QStringLiteral("SCRIPTFORM VARCHAR(15) NOT NULL,"),
    QStringLiteral("CONTESTO SMALLINT NOT NULL,"),
    QStringLiteral("UTENTE VARCHAR(15) NOT NULL,"),
    QStringLiteral("DESCRIZIONESITUAZIONE BLOB,"),
    QStringLiteral("SCRIPT BLOB,"),
    QStringLiteral("MODIFICATODAUTENTE SMALLINT,"),
    QStringLiteral("DATAULTIMAMODIFICA DATE,"),
    QStringLiteral("STATUS SMALLINT,"),
    QStringLiteral("CONSTRAINT KIVTAB_CHIAVEPRIMARIA PRIMARY KEY (PROGETTO,SCRIPTFORM,CONTESTO,UTENTE));"),
};

void configureConnection(db::Database& database, db::Transaction& transaction,
                         const QStringList& params)
{
    database.setSqlDialect(3);
    database.setLoginPrompt(false);
    // The data forms of one program (its main window's and every module window's) share one
    // attachment per database; each keeps its own transactions.
    database.setShared(true);
    database.setDefaultTransaction(&transaction);
    transaction.setDatabase(&database);
    transaction.params() = params;
}

} // namespace

TTabXForm::TTabXForm(QObject* owner, quint8 mode, const platform::Environment& environment)
    : QObject(owner)
    , ModoUtenti(mode)
    , m_environment(environment)
{
    setObjectName(QStringLiteral("TabXForm"));
    if (!m_environment.messages)
        m_environment.messages = platform::Environment::process().messages;

    MemTabX.setFields({{QStringLiteral("Codice"), MemTable::FieldType::AutoInc},
                       {QStringLiteral("Tipo"), MemTable::FieldType::String, 10},
                       {QStringLiteral("Nome"), MemTable::FieldType::String, 64},
                       {QStringLiteral("Numero"), MemTable::FieldType::LargeInt},
                       {QStringLiteral("Testo"), MemTable::FieldType::String, 128},
                       {QStringLiteral("Data"), MemTable::FieldType::Date},
                       {QStringLiteral("Memo"), MemTable::FieldType::Memo},
                       {QStringLiteral("Livello1"), MemTable::FieldType::SmallInt},
                       {QStringLiteral("Livello2"), MemTable::FieldType::SmallInt},
                       {QStringLiteral("Utente"), MemTable::FieldType::SmallInt}});
    const QStringList concurrencyNowait = {QStringLiteral("isc_tpb_concurrency"),
                                           QStringLiteral("isc_tpb_nowait")};
    configureConnection(IBDatabase1, IBTransaction1, concurrencyNowait);
    configureConnection(IBDatabase2, IBTransaction2, {});
    configureConnection(IBDatabase3, IBTransaction3, {});
    configureConnection(IBDatabase4, IBTransaction4, {});
    configureConnection(IBDatabaseUser, TransazioneUser, {});
    QueryVelkora.setDatabase(&IBDatabaseUser);
    QueryVelkora.setTransaction(&TransazioneUser);

    if (ModoUtenti != 3) {
        SetVerde(programPath(QStringLiteral("Grafica\\Verde.bmp")));
        SetRosso(programPath(QStringLiteral("Grafica\\Rosso.bmp")));
        const QString userFolder = programPath(QStringLiteral("user"));
        if (!platform::folderExists(userFolder))
            platform::createFolder(userFolder);
        if (!ApriOCreaDatabase(IBDatabaseUser, userFolder + QLatin1Char('/'),
                               QStringLiteral("user.fdb"), QString(), QString(), ownerWindow(),
                               messages(), m_environment.drives))
            messages().error(QStringLiteral("Errore inizializzazione database utenti"),
                             ownerWindow());
        createScriptTableWhenMissing();
    }
    MemTabX.open();
}

TTabXForm::~TTabXForm() = default;

platform::MessageService& TTabXForm::messages() const
{
    return *m_environment.messages;
}

QWidget* TTabXForm::ownerWindow() const
{
    return qobject_cast<QWidget*>(parent());
}

QString TTabXForm::programPath(const QString& relative) const
{
    return platform::joinPath(m_environment.programFolder, relative);
}

void TTabXForm::createScriptTableWhenMissing()
{
    // Without an attached user database there is nothing to check; the failure was reported.
    if (!IBDatabaseUser.attached())
        return;
    // A table once seen is not dropped by the suite: each database is looked at once per
    // process, by the first data form on it (the start program's), so a module window opening
    // later does not pay the look in round trips.
    static std::mutex guardia;
    static QSet<QString> conTabella;
    const QString nome = IBDatabaseUser.databaseName();
    {
        const std::lock_guard<std::mutex> lock(guardia);
        if (conTabella.contains(nome))
            return;
    }
    const auto ricorda = [&nome] {
        const std::lock_guard<std::mutex> lock(guardia);
        conTabella.insert(nome);
    };
    const auto tabellaPresente = [this] {
        QueryVelkora.close();
        QueryVelkora.clear();
        QueryVelkora.add(QStringLiteral("SELECT RDB$RELATION_NAME FROM RDB$RELATIONS"));
        QueryVelkora.add(QStringLiteral("WHERE RDB$RELATION_NAME='TABSCRIPT'"));
        QueryVelkora.open();
        const bool presente = !QueryVelkora.isEmpty();
        QueryVelkora.close();
        return presente;
    };
    if (tabellaPresente()) {
        ricorda();
        return;
    }
    QueryVelkora.setSql(kCreateTabScript);
    try {
        db::TransactionGuard guard(TransazioneUser);
        QueryVelkora.execSql();
        guard.commit();
        ricorda();
    } catch (const db::DbError& e) {
        // Two workstations starting together on a new database both find the table missing and
        // one of them loses the race to create it; the table is there then, and all is well.
        try {
            TransazioneUser.restart();
            if (tabellaPresente()) {
                ricorda();
                return;
            }
        } catch (const db::DbError&) {
            // The box below says what went wrong first.
        }
        messages().error(QStringLiteral("Errore interno di CREATE: impossibile creare la tabella TABSCRIPT"),
                         e.message());
    }
}

QString TTabXForm::fileUtente() const
{
    return platform::joinPath(programPath(QStringLiteral("NOMIDIT\\USERCFG")),
                              QString::number(NumUser) + QLatin1Char(' ') + NomeUser
                                  + QStringLiteral(".INI"));
}

void TTabXForm::SettaFileIni(const QString& section, const QString& key, const QString& value)
{
    platform::IniFile(fileUtente()).writeString(section, key, value);
}

} // namespace velkora
