// The general connections of TTabXForm: IBDatabase1 to IBDatabase4 are attached to the database
// file that a row of MemTabX names, with the location rules of the user database.

#include "data/DatabaseLocation.h"
#include "data/TabX.h"
#include "db/DbError.h"
#include "platform/MessageService.h"

#include <QDir>
#include <QFileInfo>

namespace velkora {

QString TTabXForm::NomeDatabaseSulServer(const QString& percorso) const
{
    return NomeSulServerDegliUtenti(IBDatabaseUser.databaseName(), m_environment.programFolder,
                                    percorso);
}

bool TTabXForm::EsisteDatabase(const QString& percorso)
{
    const QString sulServer = NomeDatabaseSulServer(percorso);
    if (sulServer.isEmpty()) {
        // On this workstation's disk, or reached through the "dati.ini" beside it.
        const QFileInfo file(percorso);
        return file.exists() || QFileInfo::exists(file.dir().filePath(QStringLiteral("dati.ini")));
    }
    db::Database prova;
    prova.setDatabaseName(sulServer);
    prova.params() = QStringList{QStringLiteral("user_name=") + QString::fromLatin1(kDefaultUser),
                                 QStringLiteral("password=") + QString::fromLatin1(kDefaultPassword)};
    try {
        prova.attach();
        return true;
    } catch (const db::DbError& errore) {
        // Only a file the server says is not there is missing; any other failure is left to the
        // attach of the connection, which says what went wrong.
        return errore.fileProblem() != db::DbError::FileProblem::Missing;
    }
}

void TTabXForm::connettiGenerale(db::Database& connessione, const QString& nome)
{
    QString percorso;
    GetV(nome, percorso);
    const QString sulServer = NomeDatabaseSulServer(percorso);
    if (!sulServer.isEmpty()) {
        // The user database is on a server and the file is one of the program folder: the same
        // server holds it, and the workstation's disk is never used for it.
        std::optional<db::DbError> errore;
        if (!ConnettiOCrea(connessione, sulServer, QString(), QString(), QString(), QString(),
                           messages(), m_environment.drives, &errore))
            messages().error(QStringLiteral("Errore apertura archivio"),
                             errore ? sulServer + QLatin1Char('\n') + errore->message() : sulServer,
                             ownerWindow());
        return;
    }
    // The folder ends at the last separator or at the colon of "server:file"; "/" is the
    // separator of local paths on this system, "\" that of the workstations' own paths.
    qsizetype fine = -1;
    for (const QChar separatore : {QLatin1Char('\\'), QLatin1Char('/'), QLatin1Char(':')})
        fine = std::max(fine, percorso.lastIndexOf(separatore));
    const QString cartella = percorso.left(fine + 1);
    const QString file = percorso.mid(fine + 1);
    if (!ApriOCreaDatabase(connessione, cartella, file, QString(), QString(), ownerWindow(),
                           messages(), m_environment.drives))
        messages().error(QStringLiteral("Errore apertura archivio"), percorso, ownerWindow());
}

void TTabXForm::ConnettiDatabase1(const QString& nome)
{
    connettiGenerale(IBDatabase1, nome);
}

void TTabXForm::ConnettiDatabase2(const QString& nome)
{
    connettiGenerale(IBDatabase2, nome);
}

void TTabXForm::ConnettiDatabase3(const QString& nome)
{
    connettiGenerale(IBDatabase3, nome);
}

void TTabXForm::ConnettiDatabase4(const QString& nome)
{
    connettiGenerale(IBDatabase4, nome);
}

} // namespace velkora
