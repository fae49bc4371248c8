#include "platform/DynamicLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <dlfcn.h>
#include <link.h>

#include <mutex>
#include <utility>

namespace velkora::platform {

namespace {

// The libraries the loader holds, and how often each file was brought in. The counts outlive
// an unload so that a reload can be told from a library that simply stayed.
struct Registry
{
    // Recursive because loading a library runs its initialisers, which may load another one.
    std::recursive_mutex mutex;
    QHash<void*, QString> files;
    QHash<QString, int> loads;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

// Names stored by the Windows programs of the suite use backslashes.
QString withSlashes(const QString& name)
{
    QString result = name;
    result.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return result;
}

QString canonicalFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() ? info.canonicalFilePath() : QString();
}

// The file names one stored file name stands for: itself and, for a Windows library name
// (".dll" in any case, or no extension, which Windows reads as ".dll"), the shared objects of
// the same base name.
QStringList fileNames(const QString& fileName)
{
    QStringList names{fileName};
    QString base;
    if (fileName.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive))
        base = fileName.chopped(4);
    else if (!fileName.contains(QLatin1Char('.')))
        base = fileName;
    if (!base.isEmpty()) {
        names << base + QLatin1String(".so") << QLatin1String("lib") + base + QLatin1String(".so");
    }
    return names;
}

// Everything to try for one stored name, in order. An entry without a slash is left to the
// system's search; one with a slash is a path (relative ones from the current directory).
QStringList candidates(const QString& name, const QString& programFolder)
{
    const QString stored = withSlashes(name);
    const qsizetype slash = stored.lastIndexOf(QLatin1Char('/'));
    const QString folder = stored.left(slash + 1);
    const QString file = stored.mid(slash + 1);
    if (file.isEmpty())
        return {};
    const QStringList names = fileNames(file);

    QStringList result;
    if (!QDir::isAbsolutePath(stored)) {
        // A relative name is looked for below the program's own folder first, as Windows does.
        QString base = withSlashes(programFolder);
        if (!base.isEmpty()) {
            if (!base.endsWith(QLatin1Char('/')))
                base += QLatin1Char('/');
            for (const QString& n : names)
                result << base + folder + n;
        }
    }
    for (const QString& n : names)
        result << folder + n;
    return result;
}

// The file the dynamic linker loaded for a handle (it knows the path it found on its search).
QString loadedFile(void* handle)
{
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name)
        return QString();
    const QString path = QFile::decodeName(map->l_name);
    const QString canonical = canonicalFile(path);
    return canonical.isEmpty() ? path : canonical;
}

} // namespace

DynamicLibrary::Handle DynamicLibrary::load(const QString& name, const QString& programFolder)
{
    Registry& reg = registry();
    const std::lock_guard lock(reg.mutex);
    for (const QString& candidate : candidates(name, programFolder)) {
        const bool isPath = candidate.contains(QLatin1Char('/'));
        QString file;
        if (isPath) {
            // A missing file is skipped without asking the linker; a file already held is
            // returned as it is.
            file = canonicalFile(candidate);
            if (file.isEmpty())
                continue;
            for (auto it = reg.files.cbegin(); it != reg.files.cend(); ++it) {
                if (it.value() == file)
                    return it.key();
            }
        }
        void* handle = dlopen(QFile::encodeName(isPath ? file : candidate).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            dlerror(); // the message is not wanted; clear it so it cannot mislead a later caller
            continue;
        }
        if (reg.files.contains(handle)) {
            // The same library under another name: keep the one reference the registry holds.
            dlclose(handle);
            return handle;
        }
        if (file.isEmpty())
            file = loadedFile(handle);
        reg.files.insert(handle, file);
        ++reg.loads[file];
        return handle;
    }
    return nullptr;
}

DynamicLibrary::Function DynamicLibrary::function(Handle library, const QString& name)
{
    // dlsym with a null handle would search the whole program; a null handle names no library.
    if (!library || name.isEmpty())
        return nullptr;
    void* symbol = dlsym(library, name.toUtf8().constData());
    if (!symbol) {
        dlerror();
        return nullptr;
    }
    // dlsym also finds what the library's own dependencies export (the C library's functions,
    // say). Only the library's own exports count, as with GetProcAddress on Windows.
    Dl_info info;
    link_map* owner = nullptr;
    link_map* self = nullptr;
    if (dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) == 0
        || dlinfo(library, RTLD_DI_LINKMAP, &self) != 0 || !owner || owner != self) {
        return nullptr;
    }
    return reinterpret_cast<Function>(symbol);
}

bool DynamicLibrary::unload(Handle library)
{
    Registry& reg = registry();
    const std::lock_guard lock(reg.mutex);
    if (!library || !reg.files.remove(library))
        return false;
    dlclose(library);
    return true;
}

bool DynamicLibrary::isLoaded(const QString& path)
{
    const QString file = canonicalFile(withSlashes(path));
    if (file.isEmpty())
        return false;
    Registry& reg = registry();
    const std::lock_guard lock(reg.mutex);
    for (const QString& held : std::as_const(reg.files)) {
        if (held == file)
            return true;
    }
    return false;
}

int DynamicLibrary::loadCount(const QString& path)
{
    const QString file = canonicalFile(withSlashes(path));
    Registry& reg = registry();
    const std::lock_guard lock(reg.mutex);
    return file.isEmpty() ? 0 : reg.loads.value(file);
}

QString DynamicLibrary::fileOf(Handle library)
{
    Registry& reg = registry();
    const std::lock_guard lock(reg.mutex);
    return reg.files.value(library);
}

} // namespace velkora::platform
