#pragma once

#include <QString>

namespace velkora::platform {

// Loads the suite's module libraries and finds their exported functions.
//
// Names come from the menu table as the Windows programs of the suite stored them
// ("Rubrivo.dll", "moduli\Rubrivo.dll", "/opt/velkora/Rubrivo.so"), so a name is tried:
//   - as stored, backslashes read as folder separators;
//   - when it is relative (a bare name or a relative path), first below the program folder and
//     then through the system's own search (a bare name) or from the current directory (a
//     relative path with a folder);
//   - when its file name ends in ".dll" (any case) or has no extension at all, also as the
//     shared object of the same base name, "Rubrivo.so" and then "libRubrivo.so", under the
//     same folder rules.
//
// A loaded library stays loaded: the loader keeps it in a process-wide registry, and asking for
// it again (under any of its names) returns the same handle without loading it again. Only
// unload() releases one, for the print library that is released after every call.
//
// Failures give null and show nothing: callers of the suite stay silent when a module is missing.
class DynamicLibrary
{
public:
    using Handle = void*;
    // An exported function, to be cast to its real type by the caller.
    using Function = void (*)();

    DynamicLibrary() = delete;

    // The handle of the library named name, loading it when it is not loaded yet; programFolder
    // (with or without a trailing separator, may be empty) is searched first for relative names.
    static Handle load(const QString& name, const QString& programFolder);

    // The function the library itself exports under exactly this name (letter case counts).
    // A symbol the library only reaches through the libraries it depends on is not its export
    // and gives null, as does a null handle.
    static Function function(Handle library, const QString& name);

    // Releases a library loaded by load(); later loads bring it in anew. False when the handle
    // is not one the loader holds.
    static bool unload(Handle library);

    // What the registry holds, for checks and tests. path names the library file (any path
    // that reaches the same file).
    static bool isLoaded(const QString& path);
    // How many times the loader has brought this file into the process: 1 however often the
    // library was asked for, unless it was unloaded and loaded again.
    static int loadCount(const QString& path);
    // The file a handle was loaded from (absolute, links resolved); empty for an unknown handle.
    static QString fileOf(Handle library);
};

} // namespace velkora::platform
