// A print library for the tests, built in three kinds from this one source:
//   - the whole library: both print exports; each writes what it received into a row of the
//     data form's in-memory table (the library is unloaded after every print call, so it cannot
//     keep a record of its own), plus two one-integer functions for the library calls;
//   - VELKORA_TEST_PRINT_NO_EXPORTS: a library without the print exports;
//   - VELKORA_TEST_PRINT_THROWS: print exports that fail with an exception.
// Built with hidden visibility and the public headers alone, as a module author builds one.
//
// The library is really unmapped after each print call, so nothing it leaves in the form may
// point into it: the texts it stores are built at run time (QString::fromLatin1), never
// QStringLiteral, whose characters live in the library's own memory.

#include <velkora/TabXForm.h>
#include <velkora/db/QueryDataSet.h>
#include <velkora/services/PrintLibrary.h>

#include <QString>

#include <cstdint>
#include <stdexcept>

using velkora::MemTable;
using velkora::TTabXForm;
using velkora::db::QueryDataSet;

namespace {

[[maybe_unused]] QString parametro(MemTable& tabella, const QString& nome)
{
    return tabella.locate(QStringLiteral("Nome"), nome) ? tabella.asString(QStringLiteral("Testo"))
                                                         : QString::fromLatin1("<assente>");
}

// One row of kind "STAMPA" named after the export: its text is the title the library found, its
// memo the report name, the dataset's address, its row count and the form's address.
[[maybe_unused]] void registra(TTabXForm** variabile, const char* ingresso, const void* dataset, int righe)
{
    TTabXForm& form = **variabile;
    MemTable& tabella = form.MemTabX;
    const QString titolo = parametro(tabella, QString::fromLatin1(velkora::kPrintTitleParameter));
    const QString report = parametro(tabella, QString::fromLatin1(velkora::kPrintReportParameter));
    tabella.append();
    tabella.setAsString(QStringLiteral("Tipo"), QString::fromLatin1("STAMPA"));
    tabella.setAsString(QStringLiteral("Nome"), QString::fromLatin1(ingresso));
    tabella.setAsString(QStringLiteral("Testo"), titolo);
    tabella.setAsString(QStringLiteral("Memo"),
                        QStringLiteral("%1|%2|%3|%4")
                            .arg(report)
                            .arg(reinterpret_cast<quintptr>(dataset))
                            .arg(righe)
                            .arg(reinterpret_cast<quintptr>(&form)));
    tabella.post();
}

std::int32_t ultimoValore = 0;

} // namespace

#if !defined(VELKORA_TEST_PRINT_NO_EXPORTS)

VELKORA_EXPORT void VELKORA_CALL ShowVorp11FormD(QueryDataSet* dataset, TTabXForm** form)
{
#if defined(VELKORA_TEST_PRINT_THROWS)
    (void)dataset;
    (void)form;
    throw std::runtime_error("tabella di stampa illeggibile");
#else
    registra(form, "ShowVorp11FormD", dataset, dataset->recordCount());
#endif
}

VELKORA_EXPORT void VELKORA_CALL ShowVorp11MemFormD(MemTable* dataset, TTabXForm** form)
{
#if defined(VELKORA_TEST_PRINT_THROWS)
    (void)dataset;
    (void)form;
    throw std::runtime_error("tabella di stampa illeggibile");
#else
    registra(form, "ShowVorp11MemFormD", dataset, dataset->recordCount());
#endif
}

#endif

VELKORA_EXPORT void VELKORA_CALL RegistraValore(std::int32_t valore)
{
    ultimoValore = valore;
}

VELKORA_EXPORT void VELKORA_CALL SollevaErrore(std::int32_t valore)
{
    throw std::runtime_error("valore rifiutato: " + std::to_string(valore));
}

VELKORA_EXPORT std::int32_t UltimoValore()
{
    return ultimoValore;
}
