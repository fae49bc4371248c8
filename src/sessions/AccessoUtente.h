#pragma once

#include <QString>
#include <QStringList>

#include <map>

namespace velkora {

namespace db {
class Database;
class Transaction;
} // namespace db

// The reads of a login in few round trips. Each gives what the login's reads one after the other
// give on the same rows; a database error goes to the caller.
struct LetturaAccesso
{
    // The user's number (0 when the name is unknown), his name as stored under that number and
    // the company stored under that name.
    qint32 numUser = 0;
    QString nomeUser;
    QString ditta;
    // The columns of the user's row that the login reads after opening the session; empty when
    // there is no row.
    QString accessoVelkora;
    QString profiloSicurezza;
    QString progetto;
    QString mantieniStdMin;
    // A session code drawn from the session generator, for the session the login opens.
    qint32 codiceSessione = 0;
    // The window id of the agenda's call-log row, drawn only when asked for and when the user's
    // row lets the login reach the agenda (a profile or MANTIENISTDMIN "1", and a project), as
    // the call log would draw it then; 0 otherwise.
    qint32 idFinestraAgenda = 0;
    // The parameters of the user's company in his set, as single reads of TABVELKORA in the
    // same transaction answer: the first row of a name counts (names compared without trailing
    // blanks), a missing one is absent.
    std::map<QString, QString> parametri;
};

// The user's row, his company, a new session code, the agenda's window id (with
// idFinestraAgenda) and the parameters of his company in one statement, read in a restarted
// transaction (the company may have been changed on another workstation).
LetturaAccesso leggiAccessoInUnPasso(db::Database& database, db::Transaction& transazione,
                                     const QString& nome, bool idFinestraAgenda);

// A name as the engine compares it with a column: trailing blanks do not count.
QString senzaSpaziFinali(const QString& testo);

} // namespace velkora
