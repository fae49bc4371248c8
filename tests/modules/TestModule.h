#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the test module library records about the calls it receives, read back by the tests
// through its export VelkoraTestModuleLastCall. Module and tests are built by the same compiler
// against the same standard library, so the structure can hold standard types.

namespace velkora::test {

enum class TextForm { None, Counted, Plain };

struct ModuleCall
{
    std::string function;
    std::int32_t numUser = 0;
    std::optional<std::int32_t> idFinestra;
    TextForm form = TextForm::None;
    bool textIsNull = false;
    // The two 32-bit words just before a counted text.
    std::int32_t refCount = 0;
    std::int32_t length = 0;
    // The text's bytes as they arrived, terminating zero included (for a counted text the
    // length word says how many bytes to take, plus the zero).
    std::string bytes;
    // What a function that uses the data form read from it (UTF-8), and whether it stored the
    // window handle.
    std::string nomeUser;
    std::string dittaCorrente;
    std::string parametro;
    bool handleScritto = false;
};

struct ModuleRecord
{
    // Calls since the library was loaded or last reset; it only grows while the library stays
    // loaded, as its state lives in the library.
    int calls = 0;
    ModuleCall last;
};

using ModuleRecordFunction = const ModuleRecord* (*)();
using ModuleResetFunction = void (*)();

inline constexpr const char* kModuleRecordExport = "VelkoraTestModuleLastCall";
inline constexpr const char* kModuleResetExport = "VelkoraTestModuleReset";
// The window handle that ApriConDatiX stores under its window id.
inline constexpr std::int32_t kModuleWindowHandle = 4242;

} // namespace velkora::test
