#pragma once

#include <QStringList>

namespace velkora::admin {

// Exit codes of the tool.
enum ExitCode : int
{
    ExitOk = 0,
    // A command that failed, or "check" that found missing objects.
    ExitFailure = 1,
    // Bad arguments, or "check" that could not attach the database.
    ExitUsage = 2,
};

// Runs one command given as its words (without the program name), writing results on standard
// output and messages on standard error, and returns the exit code.
int runCommand(const QStringList& arguments);

// Whether the command paints pictures or reports (demo, postazione, stampa), whose letters need
// fonts and so a GUI application; a command with bad arguments does not get that far.
bool needsFonts(const QStringList& arguments);

// "check" of a folder: lists what its user database lacks of the schema and gives the exit code.
int verificaCartella(const QString& folder);

} // namespace velkora::admin
