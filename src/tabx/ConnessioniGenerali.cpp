// The general connections of a data form: IBDatabase1 to IBDatabase4 are attached to the
// database file that a row of MemTabX names, with the location rules of the user database.

#include "tabx/ConnessioniGenerali.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "platform/MessageService.h"
#include "storage/ContestoDati.h"
#include "storage/DatabaseLocation.h"
#include "tabx/ParametriTabX.h"

#include <QDir>
#include <QFileInfo>

namespace velkora {

ConnessioniGenerali::ConnessioniGenerali(ParametriTabX& parametri,
                                         const db::Database& databaseUtenti,
                                         const ContestoDati& contesto)
    : m_parametri(parametri)
    , m_databaseUtenti(databaseUtenti)
    , m_contesto(contesto)
{
}

QString ConnessioniGenerali::NomeDatabaseSulServer(const QString& percorso) const
{
    return NomeSulServerDegliUtenti(m_databaseUtenti.databaseName(),
                                    m_contesto.ambiente().programFolder, percorso);
}

bool ConnessioniGenerali::EsisteDatabase(const QString& percorso)
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

void ConnessioniGenerali::connetti(db::Database& connessione, const QString& nome)
{
    const QString percorso = m_parametri.GetV(nome);
    const QString sulServer = NomeDatabaseSulServer(percorso);
    if (!sulServer.isEmpty()) {
        // The user database is on a server and the file is one of the program folder: the same
        // server holds it, and the workstation's disk is never used for it.
        std::optional<db::DbError> errore;
        if (!ConnettiOCrea(connessione, sulServer, QString(), QString(), QString(), QString(),
                           m_contesto.messaggi(), m_contesto.ambiente().drives, &errore))
            m_contesto.messaggi().error(QStringLiteral("Errore apertura archivio"),
                             errore ? sulServer + QLatin1Char('\n') + errore->message() : sulServer,
                             m_contesto.finestra());
        return;
    }
    // The folder ends at the last separator or at the colon of "server:file"; "/" is the
    // separator of local paths on this system, "\" that of the workstations' own paths.
    qsizetype fine = -1;
    for (const QChar separatore : {QLatin1Char('\\'), QLatin1Char('/'), QLatin1Char(':')})
        fine = std::max(fine, percorso.lastIndexOf(separatore));
    const QString cartella = percorso.left(fine + 1);
    const QString file = percorso.mid(fine + 1);
    if (!ApriOCreaDatabase(connessione, cartella, file, QString(), QString(), m_contesto.finestra(),
                           m_contesto.messaggi(), m_contesto.ambiente().drives))
        m_contesto.messaggi().error(QStringLiteral("Errore apertura archivio"), percorso, m_contesto.finestra());
}

} // namespace velkora
