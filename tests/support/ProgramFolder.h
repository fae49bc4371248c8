#pragma once

#include "platform/Environment.h"
#include "platform/ui/RecordingMessageService.h"

#include <QString>
#include <QTemporaryDir>

#include <utility>
#include <vector>

namespace velkora::test {

// A program folder of its own for one test: a temporary folder, optionally holding the user
// database (a copy of the schema template) and "Grafica", and a recording message service.
class ProgramFolder
{
public:
    ProgramFolder();

    // The folder, ending in a separator, as the program folder always does.
    QString path() const { return m_path; }
    QString file(const QString& relative) const { return m_path + relative; }
    QString userDatabase() const { return m_path + QStringLiteral("user/user.fdb"); }
    // Puts a fresh copy of the schema template at user/user.fdb.
    QString installUserDatabase();
    void makeFolder(const QString& relative) const;
    platform::Environment environment() { return {m_path, &messages}; }

    platform::RecordingMessageService messages;

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// The failed-statement files ("Ombrix.*.sql") of a folder by name, each with its quoted dates
// and times put as '<data>' and '<ora>': two runs a second apart compare equal. Fails the test
// when a file cannot be read.
std::vector<std::pair<QString, QString>> fileIstruzioniFallite(const QString& cartella);

// Makes a folder the process's current directory for the lifetime of the object.
class CurrentDirectory
{
public:
    explicit CurrentDirectory(const QString& path);
    ~CurrentDirectory();

private:
    QString m_previous;
};

} // namespace velkora::test
