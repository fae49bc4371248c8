#include "support/ProgramFolder.h"

#include "support/TestDatabase.h"

#include <QDir>

#include <stdexcept>

namespace velkora::test {

ProgramFolder::ProgramFolder()
{
    if (!m_dir.isValid())
        throw std::runtime_error("cannot make a temporary folder");
    m_path = m_dir.path() + QLatin1Char('/');
}

QString ProgramFolder::installUserDatabase()
{
    makeFolder(QStringLiteral("user"));
    return copyTemplate(userDatabase());
}

void ProgramFolder::makeFolder(const QString& relative) const
{
    QDir().mkpath(m_path + relative);
}

CurrentDirectory::CurrentDirectory(const QString& path)
    : m_previous(QDir::currentPath())
{
    QDir::setCurrent(path);
}

CurrentDirectory::~CurrentDirectory()
{
    QDir::setCurrent(m_previous);
}

} // namespace velkora::test
