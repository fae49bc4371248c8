#include "platform/DynamicLibrary.h"

#include "platform/FileSystem.h"

#include <QDebug>
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

// The relative names to try below the program folder for one stored name, in order: the name
// itself and, for a Windows library name, its shared objects in the same folder.
QStringList candidates(const QString& name)
{
    const QString stored = withSlashes(name);
    const qsizetype slash = stored.lastIndexOf(QLatin1Char('/'));
    const QString folder = stored.left(slash + 1);
    const QString file = stored.mid(slash + 1);
    if (file.isEmpty())
        return {};
    QStringList result;
    for (const QString& n : fileNames(file))
        result << folder + n;
    return result;
}

} // namespace

DynamicLibrary::Handle DynamicLibrary::load(const QString& name, const QString& programFolder)
{
    Registry& reg = registry();
    const std::lock_guard lock(reg.mutex);
    // A name from the menu table or a parameter decides which code runs in the program, and a
    // shared database can be changed from any workstation: only files inside the program folder
    // are loaded, always by their full path so the system's library search never takes part.
    bool refused = false;
    for (const QString& candidate : candidates(name)) {
        const QString inside = fileInsideFolder(programFolder, candidate);
        if (inside.isEmpty()) {
            // Absolute, leading out through "..", or a link that points outside.
            refused = true;
            continue;
        }
        // A missing file is skipped without asking the linker; a file already held is returned
        // as it is.
        const QString file = canonicalFile(inside);
        if (file.isEmpty())
            continue;
        for (auto it = reg.files.cbegin(); it != reg.files.cend(); ++it) {
            if (it.value() == file)
                return it.key();
        }
        void* handle = dlopen(QFile::encodeName(file).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            // The file is there but cannot be loaded (a library it needs is missing, a symbol is
            // not resolved, it is not a library for this system): the user sees nothing, as for a
            // missing module, and the loader's own words go to the warning output for whoever
            // looks into it. Reading the message also clears it for a later caller.
            const char* motivo = dlerror();
            qWarning().noquote() << QStringLiteral("Libreria \"%1\" non caricata (%2): %3")
                                        .arg(name, QDir::toNativeSeparators(file),
                                             QString::fromLocal8Bit(motivo ? motivo : "motivo sconosciuto"));
            continue;
        }
        if (reg.files.contains(handle)) {
            // The same library under another name: keep the one reference the registry holds.
            dlclose(handle);
            return handle;
        }
        reg.files.insert(handle, file);
        ++reg.loads[file];
        return handle;
    }
    if (refused) {
        qWarning().noquote() << QStringLiteral(
                                    "Libreria \"%1\" non caricata: si caricano solo librerie "
                                    "della cartella del programma %2")
                                    .arg(name, QDir::toNativeSeparators(programFolder));
    }
    return nullptr;
}

DynamicLibrary::Handle DynamicLibrary::loaded(const QString& path)
{
    const QString file = canonicalFile(withSlashes(path));
    if (file.isEmpty())
        return nullptr;
    Registry& reg = registry();
    const std::lock_guard lock(reg.mutex);
    for (auto it = reg.files.cbegin(); it != reg.files.cend(); ++it) {
        if (it.value() == file)
            return it.key();
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
    return loaded(path) != nullptr;
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
