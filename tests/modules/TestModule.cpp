// A module library for the tests: one function of every entry kind, each recording exactly
// what arrived, so the tests can check the start program's side of the calls byte by byte, and
// one that works with its own data form as the suite's modules do. Built with hidden
// visibility, so only what the public macros export can be found, and with the public headers
// of include/velkora alone, as a module author builds one.

#include "TestModule.h"

#include <cstring>
#include <velkora/EntryPoints.h>
#include <velkora/TabXForm.h>

using velkora::test::ModuleCall;
using velkora::test::ModuleRecord;
using velkora::test::TextForm;

namespace {

ModuleRecord record;

// Far more than any test passes; a wrong length word must not make the module read the
// whole address space.
constexpr std::int32_t kMaxCopied = 1 << 16;

void begin(const char* function, std::int32_t numUser)
{
    ++record.calls;
    record.last = ModuleCall{};
    record.last.function = function;
    record.last.numUser = numUser;
}

void counted(const char* text)
{
    ModuleCall& call = record.last;
    call.form = TextForm::Counted;
    call.textIsNull = text == nullptr;
    if (!text)
        return;
    std::memcpy(&call.refCount, text - 8, sizeof call.refCount);
    std::memcpy(&call.length, text - 4, sizeof call.length);
    if (call.length >= 0 && call.length <= kMaxCopied)
        call.bytes.assign(text, static_cast<std::size_t>(call.length) + 1);
}

void plain(const char* text)
{
    ModuleCall& call = record.last;
    call.form = TextForm::Plain;
    call.textIsNull = text == nullptr;
    if (text)
        call.bytes.assign(text, std::strlen(text) + 1);
}

} // namespace

VELKORA_EXPORT void VELKORA_CALL ApriUno(std::int32_t numUser)
{
    begin("ApriUno", numUser);
}

VELKORA_EXPORT void VELKORA_CALL ApriDueTesto(std::int32_t numUser, const char* parametri)
{
    begin("ApriDueTesto", numUser);
    counted(parametri);
}

VELKORA_EXPORT void VELKORA_CALL ApriFinestraX(std::int32_t numUser, std::int32_t idFinestra)
{
    begin("ApriFinestraX", numUser);
    record.last.idFinestra = idFinestra;
}

VELKORA_EXPORT void VELKORA_CALL ApriDueX(std::int32_t numUser, const char* parametri,
                                          std::int32_t idFinestra)
{
    begin("ApriDueX", numUser);
    counted(parametri);
    record.last.idFinestra = idFinestra;
}

VELKORA_EXPORT void VELKORA_CALL ApriTreY(std::int32_t numUser, std::int32_t idFinestra,
                                          const char* parametri)
{
    begin("ApriTreY", numUser);
    record.last.idFinestra = idFinestra;
    plain(parametri);
}

// Exported only in lower case: a call under any other spelling must not reach it.
VELKORA_EXPORT void VELKORA_CALL apriminuscolox(std::int32_t numUser, std::int32_t idFinestra)
{
    begin("apriminuscolox", numUser);
    record.last.idFinestra = idFinestra;
}

// Names ending in a lower-case "x" or "y" belong to the plain kinds: the user number alone, or
// with the counted parameter text.
VELKORA_EXPORT void VELKORA_CALL apriunox(std::int32_t numUser)
{
    begin("apriunox", numUser);
}

VELKORA_EXPORT void VELKORA_CALL apriduey(std::int32_t numUser, const char* parametri)
{
    begin("apriduey", numUser);
    counted(parametri);
}

VELKORA_EXPORT void VELKORA_CALL apriduex(std::int32_t numUser, const char* parametri)
{
    begin("apriduex", numUser);
    counted(parametri);
}

VELKORA_EXPORT void VELKORA_CALL apriunoy(std::int32_t numUser)
{
    begin("apriunoy", numUser);
}

// Not exported: a function the library has but does not publish is not found.
void VELKORA_CALL ApriNascostoX(std::int32_t numUser, std::int32_t idFinestra)
{
    begin("ApriNascostoX", numUser);
    record.last.idFinestra = idFinestra;
}

// The calls a module makes on its own data form: made for the user it was called for, it reads
// his name, company and a parameter and stores the window handle under the window id.
VELKORA_EXPORT void VELKORA_CALL ApriConDatiX(std::int32_t numUser, std::int32_t idFinestra)
{
    begin("ApriConDatiX", numUser);
    record.last.idFinestra = idFinestra;
    velkora::TTabXForm form(nullptr, 0, velkora::platform::Environment::process());
    form.SetUserPerNum(numUser);
    record.last.nomeUser = form.NomeUser.toStdString();
    record.last.dittaCorrente = form.DittaCorrente.toStdString();
    record.last.parametro = form.CaricaParametro(QStringLiteral("ParametroProva")).toStdString();
    record.last.handleScritto =
        form.ScritturaHandleDiApertura(idFinestra, velkora::test::kModuleWindowHandle);
}

VELKORA_EXPORT const ModuleRecord* VelkoraTestModuleLastCall()
{
    return &record;
}

VELKORA_EXPORT void VelkoraTestModuleReset()
{
    record = ModuleRecord{};
}
