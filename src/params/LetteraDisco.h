#pragma once

#include <QChar>
#include <QString>

class QWidget;

namespace velkora {

namespace db {
class Query;
}

namespace platform {
class DriveMap;
class MessageService;
} // namespace platform

// Moving a user's paths to another drive: every value of his parameter set that holds a drive
// path ("C:\DATI\ARCHIVIO.FDB") gets the chosen letter, and the letter is remembered in
// UTENTI.ULTIMODISCOSCELTO to be offered first next time.

// The value with the character right before its first ":\" replaced by the letter; later drive
// paths in it keep theirs. A value without ":\", or one that starts with it (there is no letter
// to replace), comes back unchanged.
QString conLetteraDisco(const QString& valore, QChar lettera);

// The user of the disk choice, looked up by name.
struct UtenteDisco
{
    // False when no row of UTENTI has the name.
    bool trovato = false;
    // UTENTI.CODICE as text, as the statements use it.
    QString codice;
    // The first character of ULTIMODISCOSCELTO; null when the column is NULL or empty.
    QChar ultimoDisco;
};

// Reads the user's code and last drive. A database error is thrown to the caller.
UtenteDisco leggiUtenteDisco(db::Query& query, const QString& nomeUtente);

// True when the letter names a drive whose root folder is there (the drive is present and
// ready).
bool discoPresente(const platform::DriveMap& dischi, QChar lettera);

// The drive the dialog offers first: the last one chosen while it is present, otherwise the drive
// of the program's folder (the first mapped drive when no mapped folder holds it).
QChar discoDaOffrire(const platform::DriveMap& dischi, QChar ultimoDisco,
                     const QString& cartellaProgramma);

// Gives every value of the user that holds a drive path the letter, and stores the letter as
// his last drive; one commit makes all of it permanent. Runs on the two queries, which share one
// transaction; the selection and its read are thrown to the caller. When a rewrite or the
// storing of the letter fails, the failed statement's lines are saved to
// "Ombrix.SceltaDisco.sql" in the current directory, every rewrite of the run is undone, the
// error box says so and the result is false.
//
// A row is rewritten only where it still holds the value read, so two rows with one section and
// name but different paths each get their own path back; a row whose section or name is NULL
// is left alone, as no statement naming them by text can reach it.
bool riscriviLettereDisco(db::Query& query, db::Query& query2, platform::MessageService& messages,
                          const QString& codiceUtente, QChar lettera, QWidget* finestra = nullptr);

} // namespace velkora
