#pragma once

// The print library of the suite and the calls the data form makes into it.
//
// TTabXForm::LanciaStampaConDll loads the library "Vorp" from the program folder ("Vorp.so" or
// "libVorp.so" there), stores the title and the report name in the form's typed parameters
// "TitoloStampa" and "NomeReport", and calls one of two exports, chosen by the kind of dataset:
//
//     ShowVorp11FormD     a query dataset (db::QueryDataSet)
//     ShowVorp11MemFormD  an in-memory table (MemTable)
//
// Both take the dataset and a pointer to the caller's variable that holds the data form, with
// the calling convention of the module entry points, and return nothing. The library is unloaded
// as soon as the call returns, so everything it shows must be closed by then (a modal preview).
// An exception that leaves the export is reported by the form with the message
// "Errore nell'accesso alla DLL Vorp delle stampe".

#include <velkora/EntryPoints.h>

#include <cstdint>

namespace velkora {

class MemTable;
class TTabXForm;

namespace db {
class QueryDataSet;
}

inline constexpr const char* kPrintLibraryName = "Vorp";
inline constexpr const char* kPrintQueryExport = "ShowVorp11FormD";
inline constexpr const char* kPrintMemoryExport = "ShowVorp11MemFormD";
// The typed parameters of the data form that carry the texts meant for the print library.
inline constexpr const char* kPrintTitleParameter = "TitoloStampa";
inline constexpr const char* kPrintReportParameter = "NomeReport";

using FunzioneStampaQuery = void(VELKORA_CALL*)(db::QueryDataSet* dataset, TTabXForm** form);
using FunzioneStampaMemoria = void(VELKORA_CALL*)(MemTable* dataset, TTabXForm** form);
// A function started by TTabXForm::AvviaFunzXDll: one 32-bit integer.
using FunzioneXDll = void(VELKORA_CALL*)(std::int32_t valore);

} // namespace velkora
