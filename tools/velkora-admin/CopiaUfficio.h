#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

namespace velkora::admin {

// The copy of a whole office in one file, and its restoring into a new folder.
//
// The file ("copia") holds, one entry after the other, the backup stream of every database of the
// program folder (made by Firebird's backup service, so workstations go on working meanwhile) and
// the plain files the office needs: Report/, Grafica/ and every dati.ini. Each entry carries its
// path below the folder and the SHA-256 of its bytes, and the file ends with a record that counts
// the entries and carries the SHA-256 of everything before it: a copy cut short or damaged
// anywhere is recognised before anything of it is written.
//
// Layout: "VELKORA-COPIA 1\n"; per entry a kind byte ('D' database, 'F' file), the path (16-bit
// length, UTF-8, "/" separators), the bytes in pieces (32-bit length, bytes; a piece of length 0
// ends them), the 32-byte SHA-256 of the bytes; then 'E', the 32-bit number of entries and the
// 32-byte SHA-256 of the whole file before it. Integers are little-endian. The file is readable
// by its owner only: it holds the users' passwords.

// Writes the copy of the program folder into `file`, which must not exist yet (it is written
// beside its final place and renamed at the end, so a copy that fails leaves no file). Progress
// goes to `out`, problems to `err`. The databases are: the user database, the company archives
// the users' "ArchivioDitta" names and every other database file (*.fdb) below the folder, such
// as those the general connections open. When the folder's user/dati.ini names a server, the
// databases are copied through it (the program of that folder works through it too); otherwise
// in this process, which the engine allows only while no program holds the files.
// Returns the tool's exit code.
int backupCartella(const QString& cartella, const QString& file, QTextStream& out,
                   QTextStream& err);

// Lays out the copy in `cartella`, which must not exist or be empty: first the whole file is read
// and checked (nothing is written when it is damaged or cut short), then every file is written
// anew (never over an existing one) and every database restored in this process; finally the
// user database is checked against the schema as "check" does. Returns the tool's exit code.
int ripristinoCartella(const QString& file, const QString& cartella, QTextStream& out,
                       QTextStream& err);

} // namespace velkora::admin
