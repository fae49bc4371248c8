#include "storage/DatabaseLocation.h"

#include "storage/ServerPrompt.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/SqlText.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/MessageService.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace velkora {

namespace {

const QString kConfig = QStringLiteral("CONFIG");

QString datiIni(const QString& cartella)
{
    return cartella + QStringLiteral("dati.ini");
}

// A path of this system ("/srv/velkora/user/"), not one of the workstations' drive or network
// forms.
bool isLocalPath(const QString& path)
{
    return path.startsWith(QLatin1Char('/'));
}

// Says which file could not be opened and why, when the attach found a file it could not use;
// a missing file is the normal way to a new database and a server that cannot be reached has its
// own messages, so neither gets a box here.
void spiegaFileNonAperto(const std::optional<db::DbError>& errore, QWidget* owner,
                         platform::MessageService& messages)
{
    if (!errore)
        return;
    switch (errore->fileProblem()) {
    case db::DbError::FileProblem::NotADatabase:
    case db::DbError::FileProblem::InUse:
    case db::DbError::FileProblem::AccessDenied:
    case db::DbError::FileProblem::NotAFile:
        messages.error(errore->describe(), owner);
        break;
    case db::DbError::FileProblem::None:
    case db::DbError::FileProblem::Missing:
        break;
    }
}

} // namespace

PercorsoCondivisione PercorsoDaCondivisione(const QString& cartellaDiRete,
                                            const QString& percorsoNelServer,
                                            platform::MessageService& messages,
                                            QWidget* owner)
{
    PercorsoCondivisione out;
    QString rest = cartellaDiRete.mid(2);
    qsizetype slash = rest.indexOf(QLatin1Char('\\'));
    const QString server = slash < 0 ? rest : rest.left(slash);
    rest = slash < 0 ? QString() : rest.mid(slash + 1);
    slash = rest.indexOf(QLatin1Char('\\'));
    const QString share = slash < 0 ? rest : rest.left(slash);

    if (share.size() < 2) {
        // The share is the server's drive letter: \\SRV\D\Dati\ becomes SRV:D:\Dati\.
        QString path = server + QLatin1Char(':') + rest;
        const qsizetype firstSlash = path.indexOf(QLatin1Char('\\'));
        if (firstSlash >= 0)
            path.insert(firstSlash, QLatin1Char(':'));
        out.percorso = path;
        return out;
    }
    out.condivisoConNome = true;
    if (!percorsoNelServer.isEmpty()) {
        out.percorso = server + QLatin1Char(':') + percorsoNelServer;
        return out;
    }
    messages.plain(QStringLiteral("Attenzione: il disco con gli archivi è stato condiviso in rete con un nome - ")
                   + share
                   + QStringLiteral(" - e non con la lettera che lo identifica. Si consiglia di correggere la condivisione oppure ")
                   + QStringLiteral("di correggere manualmente la sezione Percorso Nel Server nel file Dati.ini accanto al database"),
                   owner);
    out.stop = true;
    return out;
}

ServerDaIni LeggiServerDaIni(const QString& cartella, QWidget* owner,
                             platform::MessageService& messages)
{
    platform::IniFile ini(datiIni(cartella));
    ServerDaIni out;
    out.nomeServer = ini.readString(kConfig, QStringLiteral("Nome Server"));
    out.letteraDisco = ini.readString(kConfig, QStringLiteral("Lettera Disco Server"));
    if (!out.nomeServer.isEmpty())
        return out;

    messages.plain(QStringLiteral("Non trovato dati.ini"), owner);
    ServerPrompt* prompt = ServerPrompt::installed();
    if (!prompt)
        return out;
    const std::optional<ServerPrompt::Risposta> risposta = prompt->chiedi(
        QStringLiteral("Non trovato dati.ini"),
        QStringLiteral("Inserire il nome del computer e la lettera della sua\r\n"
                       "unità disco dove risulta ospitato (o sarà ospitato) il database"),
        owner, messages);
    if (risposta) {
        out.nomeServer = risposta->nomeServer;
        out.letteraDisco = risposta->letteraDisco;
        ini.writeString(kConfig, QStringLiteral("Nome Server"), out.nomeServer);
        if (!out.letteraDisco.isEmpty())
            ini.writeString(kConfig, QStringLiteral("Lettera Disco Server"), out.letteraDisco);
    }
    return out;
}

QString NomeDatabaseSuServer(const QString& percorso, const QString& nomeServer,
                             const QString& letteraDisco, const platform::DriveMap& drives)
{
    if (nomeServer.isEmpty())
        return percorso;
    if (letteraDisco.isEmpty() || percorso.isEmpty())
        return nomeServer + QLatin1Char(':') + percorso;
    if (!isLocalPath(percorso)) {
        QString path = percorso;
        path.replace(0, 1, letteraDisco);
        return nomeServer + QLatin1Char(':') + path;
    }
    // "/work/user/user.fdb" -> "F:/user/user.fdb" -> "D:/user/user.fdb" -> the folder of d.
    QString path = drives.toDrive(percorso);
    if (path.isEmpty())
        return nomeServer + QLatin1Char(':') + percorso;
    path.replace(0, 1, letteraDisco);
    const QString local = drives.toLocal(path);
    return nomeServer + QLatin1Char(':') + (local.isEmpty() ? path : local);
}

bool ConnettiOCrea(db::Database& connection, const QString& percorso, const QString& nomeServer,
                   const QString& letteraDisco, const QString& utente, const QString& password,
                   platform::MessageService& messages, const platform::DriveMap& drives,
                   std::optional<db::DbError>* attachError, QWidget* owner)
{
    if (attachError)
        attachError->reset();
    const QString user = utente.isEmpty() ? QString::fromLatin1(kDefaultUser) : utente;
    const QString pass = password.isEmpty() ? QString::fromLatin1(kDefaultPassword) : password;
    connection.detach();
    connection.setLoginPrompt(false);
    connection.params() = QStringList{QStringLiteral("user_name=") + user,
                                      QStringLiteral("password=") + pass};
    connection.setDatabaseName(NomeDatabaseSuServer(percorso, nomeServer, letteraDisco, drives));
    try {
        connection.attach();
        return true;
    } catch (const db::DbError& error) {
        // Not there or not reachable: try to create it below.
        if (attachError)
            attachError->emplace(error);
    }
    try {
        connection.setSqlDialect(3);
        // The lines of CREATE DATABASE; quotes inside the user or password are doubled so they
        // cannot end their quoted text.
        connection.create({QStringLiteral("USER ") + db::quotedIdentifier(user),
                           QStringLiteral("PASSWORD ") + db::quotedIdentifier(pass),
                           QStringLiteral("PAGE_SIZE 4096")});
        messages.plain(QStringLiteral("Effettuata creazione data base"), owner);
        return true;
    } catch (const db::DbError&) {
        // The caller reports the failure in its own words.
        return false;
    }
}

bool ApriOCreaDatabase(db::Database& connection, const QString& cartella, const QString& file,
                       const QString& utente, const QString& password, QWidget* owner,
                       platform::MessageService& messages, const platform::DriveMap& drives)
{
    const QString nomeFile = file.isEmpty() ? QStringLiteral("archivio.fdb") : file;
    QString base = cartella;
    platform::IniFile ini(datiIni(cartella));
    std::optional<db::DbError> errore;
    // Each attempt that fails on a file it found says why before the next step.
    auto connetti = [&](const QString& percorso, const QString& server, const QString& lettera,
                        const platform::DriveMap& mappa) {
        const bool ok = ConnettiOCrea(connection, percorso, server, lettera, utente, password,
                                      messages, mappa, &errore, owner);
        if (!ok)
            spiegaFileNonAperto(errore, owner, messages);
        return ok;
    };

    if (!ini.readString(kConfig, QStringLiteral("PercorsoDatabase")).isEmpty()) {
        // Named-pipe form: \\server\folder as the server sees it; no other route is tried.
        const QString server = ini.readString(kConfig, QStringLiteral("Nome Server"));
        const QString percorso = ini.readString(kConfig, QStringLiteral("PercorsoDatabase"));
        base = QStringLiteral("\\\\") + server + QLatin1Char('\\') + percorso;
        if (!base.endsWith(QLatin1Char('\\')))
            base += QLatin1Char('\\');
        return connetti(base + nomeFile, QString(), QString(), platform::DriveMap());
    }

    bool stop = false;
    bool condivisoConNome = false;
    if (cartella.contains(QLatin1String("\\\\"))) {
        const PercorsoCondivisione p = PercorsoDaCondivisione(
            cartella, ini.readString(kConfig, QStringLiteral("Percorso Nel Server")), messages,
            owner);
        base = p.percorso;
        stop = p.stop;
        condivisoConNome = p.condivisoConNome;
    }
    // A workstation whose dati.ini names the server goes there directly (see the declaration).
    const bool soloServer = isLocalPath(cartella)
                            && !ini.readString(kConfig, QStringLiteral("Nome Server")).isEmpty();
    bool connected = false;
    if (!stop && !soloServer) {
        connected = connetti(base + nomeFile, QString(), QString(), platform::DriveMap());
        if (!connected && condivisoConNome) {
            stop = true;
            messages.plain(QStringLiteral("Errore: nonostante le configurazioni, il particolare percorso di rete sta rendendo impossibile l'attivazione del database"),
                           owner);
        }
    }
    if (connected)
        return true;
    if (stop)
        return false;

    const ServerDaIni server = LeggiServerDaIni(cartella, owner, messages);
    if (!server.nomeServer.isEmpty())
        return connetti(base + nomeFile, server.nomeServer, server.letteraDisco, drives);
    messages.plain(QStringLiteral("Apertura / creazione del database non riuscita!"), owner);
    return false;
}

QString NomeSulServerDegliUtenti(const QString& nomeDatabaseUtenti, const QString& cartellaProgramma,
                                 const QString& percorso)
{
    // Only the "server:path" form: a local path of this system ("/...") may hold a colon, and
    // the named-pipe form ("\\server\...") has no server path to build on.
    if (nomeDatabaseUtenti.startsWith(QLatin1Char('/')) || nomeDatabaseUtenti.startsWith(QLatin1Char('\\')))
        return {};
    const QString server = db::serverOf(nomeDatabaseUtenti);
    if (server.isEmpty())
        return {};
    const qsizetype colon = server.size();
    QString sulServer = nomeDatabaseUtenti.mid(colon + 1);
    QString coda = sulServer.right(13);
    coda.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (coda.compare(QLatin1String("user/user.fdb"), Qt::CaseInsensitive) != 0)
        return {};
    sulServer.chop(13);
    if (!sulServer.endsWith(QLatin1Char('/')) && !sulServer.endsWith(QLatin1Char('\\')))
        return {};

    // The place of the file below the program folder, as a relative path with "/".
    QString relativo = QString(percorso).replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (relativo.isEmpty() || (relativo.size() >= 2 && relativo.at(1) == QLatin1Char(':')))
        return {};
    const QString cartella = QDir::cleanPath(QString(cartellaProgramma).replace(QLatin1Char('\\'), QLatin1Char('/')));
    if (relativo.startsWith(QLatin1Char('/'))) {
        relativo = QDir::cleanPath(relativo);
        if (!relativo.startsWith(cartella + QLatin1Char('/')))
            return {};
        relativo = relativo.mid(cartella.size() + 1);
    } else {
        relativo = QDir::cleanPath(relativo);
    }
    if (relativo.isEmpty() || relativo == QLatin1String("..") || relativo.startsWith(QLatin1String("../"))
        || relativo.endsWith(QLatin1Char('/')))
        return {};

    // A "dati.ini" beside the file on the workstation keeps deciding where the file is.
    const QString locale = cartella + QLatin1Char('/') + relativo;
    if (QFileInfo::exists(QFileInfo(locale).dir().filePath(QStringLiteral("dati.ini"))))
        return {};

    if (sulServer.contains(QLatin1Char('\\')))
        relativo.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return nomeDatabaseUtenti.left(colon + 1) + sulServer + relativo;
}

} // namespace velkora
