// The print library of the suite: a data window hands it a dataset and the data form through
// TTabXForm::LanciaStampaConDll, and it shows the report of the dataset in a print preview, from
// which the user prints or saves a PDF. The program loads it for each print and unloads it when
// the call returns, so nothing of it outlives the call.

#include "Anteprima.h"
#include "ReportTable.h"

#include <velkora/TabXForm.h>
#include <velkora/db/QueryDataSet.h>
#include <velkora/services/PrintLibrary.h>

#include <stdexcept>

namespace {

velkora::TTabXForm& formOf(velkora::TTabXForm** variabile)
{
    if (!variabile || !*variabile)
        throw std::invalid_argument("la stampa non ha ricevuto il modulo dati");
    return **variabile;
}

} // namespace

// A query dataset: every column of its selection, every row it holds.
VELKORA_EXPORT void VELKORA_CALL ShowVorp11FormD(velkora::db::QueryDataSet* dataset, velkora::TTabXForm** form)
{
    velkora::TTabXForm& f = formOf(form);
    if (!dataset)
        throw std::invalid_argument("la stampa non ha ricevuto i dati");
    vorp::MostraAnteprima(vorp::ReportTable::fromDataSet(*dataset), f);
}

// Any other dataset: an in-memory table.
VELKORA_EXPORT void VELKORA_CALL ShowVorp11MemFormD(velkora::MemTable* dataset, velkora::TTabXForm** form)
{
    velkora::TTabXForm& f = formOf(form);
    if (!dataset)
        throw std::invalid_argument("la stampa non ha ricevuto i dati");
    vorp::MostraAnteprima(vorp::ReportTable::fromMemTable(*dataset), f);
}
