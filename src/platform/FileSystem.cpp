#include "platform/FileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velkora::platform {

QString executableFolder()
{
    QString folder;
    if (QCoreApplication::instance()) {
        folder = QCoreApplication::applicationDirPath();
    } else {
        // Before the application object exists Qt cannot tell; the kernel can.
        const QFileInfo self(QStringLiteral("/proc/self/exe"));
        if (self.exists())
            folder = QFileInfo(self.canonicalFilePath()).absolutePath();
    }
    if (folder.isEmpty())
        return folder;
    folder = QDir::toNativeSeparators(folder);
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder;
}

QString currentDirectory()
{
    QString path = QDir::toNativeSeparators(QDir::currentPath());
    // The root is the one folder whose name is only a separator; keep it as it is.
    while (path.size() > 1 && path.endsWith(QDir::separator()))
        path.chop(1);
    return path;
}

bool folderExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool fileExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

bool createFolder(const QString& path)
{
    if (path.isEmpty())
        return false;
    if (folderExists(path))
        return true;
    QDir().mkdir(path);
    return folderExists(path);
}

QString joinPath(const QString& folder, const QString& relative)
{
    // Names stored by the Windows programs of the suite use backslashes; here both separators
    // mean the same, and the result uses the native one.
    QString rest = relative;
    rest.replace(u'\\', u'/');
    while (rest.startsWith(u'/'))
        rest.remove(0, 1);

    QString base = QDir::fromNativeSeparators(folder);
    if (base.isEmpty())
        return QDir::toNativeSeparators(rest);
    if (rest.isEmpty())
        return QDir::toNativeSeparators(base);
    if (!base.endsWith(u'/'))
        base += u'/';
    return QDir::toNativeSeparators(base + rest);
}

QString fileInsideFolder(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || name.isEmpty())
        return {};
    QString rest = name;
    rest.replace(u'\\', u'/');
    // "/etc/x", "\\server\share" and "C:\x" name places of their own, not files of the folder.
    if (rest.startsWith(u'/') || (rest.size() >= 2 && rest.at(1) == u':'))
        return {};
    const QString base = QFileInfo(folder).canonicalFilePath();
    if (base.isEmpty())
        return {};
    const QString joined = QDir::cleanPath(base + u'/' + rest);
    // A file that exists is judged by where its links really lead; one that does not yet exist
    // by its cleaned path.
    const QFileInfo info(joined);
    const QString real = info.exists() ? info.canonicalFilePath() : joined;
    const QString prefix = base.endsWith(u'/') ? base : base + u'/';
    if (!real.startsWith(prefix) || real.size() == prefix.size())
        return {};
    return QDir::toNativeSeparators(real);
}

namespace {

struct SystemUser
{
    uid_t uid = 0;
    gid_t gid = 0;
    bool found = false;
};

SystemUser lookUpUser(const QString& user)
{
    SystemUser found;
    const QByteArray name = user.toLocal8Bit();
    if (const passwd* entry = getpwnam(name.constData())) {
        found.uid = entry->pw_uid;
        found.gid = entry->pw_gid;
        found.found = true;
    }
    return found;
}

} // namespace

bool giveToUser(const QString& path, const QString& user, QString* errore)
{
    const SystemUser owner = lookUpUser(user);
    if (!owner.found) {
        if (errore)
            *errore = QStringLiteral("l'utente %1 non esiste su questo computer").arg(user);
        return false;
    }
    if (lchown(QFile::encodeName(path).constData(), owner.uid, owner.gid) != 0) {
        if (errore)
            *errore = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

bool userCanEnter(const QString& folder, const QString& user)
{
    const SystemUser who = lookUpUser(user);
    struct stat info{};
    if (!who.found || stat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    if (who.uid == 0 || info.st_uid == who.uid)
        return (info.st_mode & S_IXUSR) != 0;
    bool inGroup = info.st_gid == who.gid;
    if (!inGroup) {
        if (const group* g = getgrgid(info.st_gid)) {
            const QByteArray name = user.toLocal8Bit();
            for (char** member = g->gr_mem; member && *member && !inGroup; ++member)
                inGroup = name == *member;
        }
    }
    if (inGroup)
        return (info.st_mode & S_IXGRP) != 0;
    return (info.st_mode & S_IXOTH) != 0;
}

} // namespace velkora::platform
