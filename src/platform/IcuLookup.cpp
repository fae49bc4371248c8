// The embedded Firebird engine looks for the ICU libraries by asking the loader for one version
// number after another ("libicuuc.so.4", "libicuuc.so.4_19", "libicuuc.so.419", then 4.18, ...),
// some 240 names before it reaches the version installed. Each name that names no file costs
// the loader a look into its cache and a search of every library folder: about 1,900 failed
// file opens and 470 mappings of the loader cache at the first attachment, a third of the time
// from the program's start to its login window.
//
// This file answers those names at once. The data library defines dlopen, which the engine
// (loaded after it) reaches before the C library's: an ICU library name that names no library
// the loader could find (none of that name in its cache or in its folders, none already loaded)
// is refused without a search; every other name, ICU versions that exist included, goes to the
// loader unchanged, so the engine ends at the same library as before, only sooner. The list of
// ICU libraries the loader knows is read once, at the first ICU name asked for.

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

using DlopenFunction = void* (*)(const char*, int);

DlopenFunction realDlopen()
{
    static const DlopenFunction real =
        reinterpret_cast<DlopenFunction>(dlsym(RTLD_NEXT, "dlopen"));
    return real;
}

bool isIcuName(const char* name)
{
    return name && std::strncmp(name, "libicu", 6) == 0 && std::strchr(name, '/') == nullptr
        && std::strstr(name, ".so") != nullptr;
}

void addIcuNamesOfFolder(const std::string& folder, std::set<std::string>& names)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, "libicu", 6) == 0)
            names.insert(entry->d_name);
    }
    closedir(dir);
}

// The sonames of the loader cache (/etc/ld.so.cache, the format of glibc 2.32 and later, after
// an old-format part when there is one) that begin with "libicu".
void addIcuNamesOfCache(std::set<std::string>& names)
{
    const int fd = open("/etc/ld.so.cache", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info{};
    if (fstat(fd, &info) != 0 || info.st_size <= 0) {
        close(fd);
        return;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (map == MAP_FAILED)
        return;
    const char* data = static_cast<const char*>(map);
    static const char kMagic[] = "glibc-ld.so.cache1.1";
    const std::size_t magicLength = sizeof kMagic - 1;
    const char* start = nullptr;
    for (std::size_t at = 0; at + magicLength <= size && at < 1 << 20; at += 4) {
        if (std::memcmp(data + at, kMagic, magicLength) == 0) {
            start = data + at;
            break;
        }
    }
    constexpr std::size_t kHeader = 48;
    constexpr std::size_t kEntry = 24;
    if (start && static_cast<std::size_t>(start - data) + kHeader <= size) {
        std::uint32_t count = 0;
        std::memcpy(&count, start + 20, sizeof count);
        const std::size_t available = size - static_cast<std::size_t>(start - data);
        for (std::uint32_t i = 0; i < count && kHeader + (i + 1) * kEntry <= available; ++i) {
            std::uint32_t key = 0;
            std::memcpy(&key, start + kHeader + i * kEntry + 4, sizeof key);
            if (key >= available)
                continue;
            const char* soname = start + key;
            const std::size_t room = available - key;
            const std::size_t length = strnlen(soname, room);
            if (length < room && std::strncmp(soname, "libicu", 6) == 0)
                names.insert(std::string(soname, length));
        }
    }
    munmap(map, size);
}

// The folders the loader searches for a bare name (the run paths, LD_LIBRARY_PATH and the
// system folders) as the loader itself lists them for the program.
std::vector<std::string> searchFolders()
{
    std::vector<std::string> folders;
    void* self = realDlopen()(nullptr, RTLD_LAZY | RTLD_NOLOAD);
    if (!self)
        return folders;
    Dl_serinfo sizes{};
    if (dlinfo(self, RTLD_DI_SERINFOSIZE, &sizes) == 0 && sizes.dls_size >= sizeof(Dl_serinfo)) {
        std::vector<char> buffer(sizes.dls_size);
        auto* list = reinterpret_cast<Dl_serinfo*>(buffer.data());
        list->dls_size = sizes.dls_size;
        list->dls_cnt = sizes.dls_cnt;
        if (dlinfo(self, RTLD_DI_SERINFOSIZE, list) == 0 && dlinfo(self, RTLD_DI_SERINFO, list) == 0) {
            for (unsigned i = 0; i < list->dls_cnt; ++i)
                folders.emplace_back(list->dls_serpath[i].dls_name);
        }
    }
    dlclose(self);
    return folders;
}

const std::set<std::string>& knownIcuNames()
{
    static std::set<std::string> names;
    static std::once_flag once;
    std::call_once(once, [] {
        addIcuNamesOfCache(names);
        for (const std::string& folder : searchFolders()) {
            addIcuNamesOfFolder(folder, names);
            // The loader also looks below a system folder for libraries built for this processor.
            const std::string hwcaps = folder + "/glibc-hwcaps";
            if (DIR* dir = opendir(hwcaps.c_str())) {
                while (const dirent* entry = readdir(dir)) {
                    if (entry->d_name[0] != '.')
                        addIcuNamesOfFolder(hwcaps + '/' + entry->d_name, names);
                }
                closedir(dir);
            }
        }
    });
    return names;
}

// True when a library loaded in the process has the name as its file name.
bool isLoaded(const char* name)
{
    struct Search
    {
        const char* name;
        bool found = false;
    } search{name};
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            auto* s = static_cast<Search*>(data);
            const char* path = info->dlpi_name;
            if (!path)
                return 0;
            const char* slash = std::strrchr(path, '/');
            if (std::strcmp(slash ? slash + 1 : path, s->name) == 0)
                s->found = true;
            return s->found ? 1 : 0;
        },
        &search);
    return search.found;
}

} // namespace

extern "C" __attribute__((visibility("default"))) void* dlopen(const char* name, int mode)
{
    const DlopenFunction real = realDlopen();
    if (!isIcuName(name) || knownIcuNames().count(name) != 0 || isLoaded(name))
        return real(name, mode);
    // No such library: the loader's answer, without its search (one failed open by full path,
    // so that dlerror() tells the caller what the loader would have told).
    return real((std::string("/nonexistent/") + name).c_str(), mode);
}
