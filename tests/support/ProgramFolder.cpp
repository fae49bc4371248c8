#include "support/ProgramFolder.h"

#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

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

std::vector<std::pair<QString, QString>> fileIstruzioniFallite(const QString& cartella)
{
    std::vector<std::pair<QString, QString>> file;
    const QDir dir(cartella);
    for (const QString& nome : dir.entryList({QStringLiteral("Ombrix.*.sql")}, QDir::Files)) {
        QFile f(dir.filePath(nome));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << nome.toStdString();
        QString testo = QString::fromLatin1(f.readAll());
        testo.replace(QRegularExpression(QStringLiteral("'\\d\\d/\\d\\d/\\d{4}'")),
                      QStringLiteral("'<data>'"));
        testo.replace(QRegularExpression(QStringLiteral("'\\d\\d:\\d\\d:\\d\\d'")),
                      QStringLiteral("'<ora>'"));
        file.emplace_back(nome, testo);
    }
    return file;
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
