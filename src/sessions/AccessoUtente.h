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
};

// The user's row, his company and a new session code in one statement, read in a restarted
// transaction (the company may have been changed on another workstation).
LetturaAccesso leggiAccessoInUnPasso(db::Database& database,
                                                    db::Transaction& transazione,
                                                    const QString& nome);

// The parameters of one company of a user's set, read at once in the given transaction,
// answering as single reads of TABVELKORA in that transaction answer: the first row of a name
// counts (names compared without trailing blanks), a missing one is empty.
std::map<QString, QString> leggiParametriDitta(db::Database& database,
                                                              db::Transaction& transazione,
                                                              qint32 numUser,
                                                              const QString& ditta);

// A name as the engine compares it with a column: trailing blanks do not count.
QString senzaSpaziFinali(const QString& testo);

} // namespace velkora
