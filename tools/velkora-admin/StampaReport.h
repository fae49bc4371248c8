#pragma once

#include <QStringList>

namespace velkora::admin {

// "stampa": writes the report of a selection to a PDF file, as the print library would show it,
// without a display. arguments are the words after "stampa". Returns an ExitCode.
int stampaReport(const QStringList& arguments);

} // namespace velkora::admin
