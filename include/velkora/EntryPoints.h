#pragma once

// The functions a module library exports for the start program.
//
// The start program knows a module function by two texts of its menu item: the library's file
// name and the exported name. It loads the library, looks the name up exactly as written (letter
// case counts) and calls it with the arguments of one of five kinds. The suite's naming
// convention tells the kinds apart: a name ending in "X" takes the window id, one ending in "Y"
// the window id and the plain parameter text; any other name takes the user number alone or,
// for items that pass their parameters, the user number and the counted parameter text.
//
// Declare each function with both macros and the argument list of its kind, for example
//
//     VELKORA_EXPORT void VELKORA_CALL ApriClientiX(std::int32_t numUser, std::int32_t idFinestra);
//
// Return nothing (a result would be ignored). The function runs on the program's user-interface
// thread; a window it opens may outlive the call and should record its handle with
// TTabXForm::ScritturaHandleDiApertura(idFinestra, handle) so that the start program knows it
// is open.
//
// On 32-bit Windows the functions use the stdcall convention, whose compilers decorate the
// exported names ("_ApriClientiX@8"); export them under their plain names with a .def file.

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(_WIN32) && !defined(_WIN64)
#define VELKORA_CALL __stdcall
#else
#define VELKORA_CALL
#endif

#if defined(_WIN32)
#define VELKORA_EXPORT extern "C" __declspec(dllexport)
#else
#define VELKORA_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace velkora {

// The texts handed to a module function belong to the start program and are valid only while
// the call lasts; copy one that is needed afterwards. Both forms hold 8-bit Windows-1252 text
// (the text of the menu item's parameters, unchanged).
//
// Counted text: the pointer points at the first byte of the text. In memory the text sits in a
// block of
//     offset -8   32-bit reference count (1)
//     offset -4   32-bit length in bytes, the terminating zero not counted
//     offset  0   the bytes of the text
//     offset  n   a zero byte
// An empty text is passed as a null pointer.
//
// Plain text: a pointer to zero-terminated bytes. An empty text is a pointer to a single zero
// byte, never a null pointer.

inline constexpr std::size_t kCountedTextHeaderSize = 8;

// The length in bytes of a counted text; 0 for the null pointer of the empty text.
inline std::int32_t countedTextLength(const char* text)
{
    if (!text)
        return 0;
    std::int32_t length = 0;
    std::memcpy(&length, text - 4, sizeof length);
    return length;
}

// User number: the logged-in user's code (UTENTI.CODICE).
// Window id: the call-log row written for this call, 0 when the call log has no window columns.

// CaricaFunzioneDLL: the user number.
using FunzioneDLL = void(VELKORA_CALL*)(std::int32_t numUser);
// CaricaFunzioneDLL2: the user number and the parameter text, counted.
using FunzioneDLL2 = void(VELKORA_CALL*)(std::int32_t numUser, const char* parametri);
// CaricaFunzioneDLLX: the user number and the window id.
using FunzioneDLLX = void(VELKORA_CALL*)(std::int32_t numUser, std::int32_t idFinestra);
// CaricaFunzioneDLL2X: the user number, the parameter text, counted, and the window id.
using FunzioneDLL2X = void(VELKORA_CALL*)(std::int32_t numUser, const char* parametri, std::int32_t idFinestra);
// CaricaFunzioneDLL3Y: the user number, the window id and the parameter text, plain.
using FunzioneDLL3Y = void(VELKORA_CALL*)(std::int32_t numUser, std::int32_t idFinestra, const char* parametri);

} // namespace velkora
