#pragma once

// Lists written for a spreadsheet: CSV as an Italian spreadsheet opens it with a double click.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace velkora::kit {

// The bytes of a CSV file: UTF-8 with its byte-order mark (so accented letters survive in every
// spreadsheet), fields separated by semicolons (the Italian list separator, since the comma is
// the decimal separator), lines ended by CR LF, a field quoted when it holds a semicolon, a
// quote, a line break or leading or trailing spaces, its quotes doubled. The cells are written as
// given: amounts should already have the decimal comma.
QByteArray testoCsv(const QStringList& intestazioni, const std::vector<QStringList>& righe);

// Writes testoCsv() to the file, replacing it whole or leaving it as it was: false, with the
// system's reason in `errore`, when it cannot be written.
bool scriviCsv(const QString& file, const QStringList& intestazioni,
               const std::vector<QStringList>& righe, QString* errore);

} // namespace velkora::kit
