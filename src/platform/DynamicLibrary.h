#pragma once

#include <QString>

namespace velkora::platform {

// Loads the suite's module libraries and finds their exported functions.
//
// Names come from the menu table and the parameters as the Windows programs of the suite stored
// them ("Rubrivo.dll", "moduli\Rubrivo.dll"). Only files inside the program folder (or a folder
// below it) are loaded, always through their full path, so the system's library search never
// takes part. A name is tried:
//   - as stored, relative to the program folder, backslashes read as folder separators;
//   - when its file name ends in ".dll" (any case) or has no extension at all, also as the
//     shared object of the same base name, "Rubrivo.so" and then "libRubrivo.so", in the same
//     folder.
// An absolute name, a name that leads out of the program folder ("..\altro\x.dll") or a link
// inside it that points outside is treated as a missing library, and the refusal is written to
// the program's warning output.
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
    // (with or without a trailing separator) is where it must lie. Null when programFolder is
    // empty.
    static Handle load(const QString& name, const QString& programFolder);

    // The function the library itself exports under exactly this name (letter case counts).
    // A symbol the library only reaches through the libraries it depends on is not its export
    // and gives null, as does a null handle.
    static Function function(Handle library, const QString& name);

    // Releases a library loaded by load(); later loads bring it in anew. False when the handle
    // is not one the loader holds.
    static bool unload(Handle library);

    // The handle of a library the loader holds, by its file (any path that reaches it); null
    // when that file is not loaded. Never loads anything.
    static Handle loaded(const QString& path);

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
