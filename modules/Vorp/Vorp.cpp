// The print library of the suite: a data window hands it a dataset and the data form through
// TTabXForm::LanciaStampaConDll, and it shows the report of the dataset in a print preview, from
// which the user prints or saves a PDF. The program loads it for each print and unloads it when
// the call returns, so nothing of it outlives the call. A failure goes back to the form that
// called (the exports return nothing), which shows it.

#include "Anteprima.h"
#include "ReportTable.h"

#include <velkora/TabXForm.h>
#include <velkora/db/QueryDataSet.h>
#include <velkora/kit/Barriera.h>
#include <velkora/services/PrintLibrary.h>

#include <stdexcept>

namespace {

// Shows the report of the dataset that `leggi` turns into a table.
template <typename DataSet, typename Leggi>
void stampa(DataSet* dataset, velkora::TTabXForm** form, Leggi leggi)
{
    velkora::kit::eseguiPerIlModulo(form, [&] {
        if (!form || !*form)
            throw std::invalid_argument("la stampa non ha ricevuto il modulo dati");
        if (!dataset)
            throw std::invalid_argument("la stampa non ha ricevuto i dati");
        vorp::MostraAnteprima(leggi(*dataset), **form);
    });
}

} // namespace

// A query dataset: every column of its selection, every row it holds.
VELKORA_EXPORT void VELKORA_CALL ShowVorp11FormD(velkora::db::QueryDataSet* dataset, velkora::TTabXForm** form)
{
    stampa(dataset, form, &vorp::ReportTable::fromDataSet);
}

// Any other dataset: an in-memory table.
VELKORA_EXPORT void VELKORA_CALL ShowVorp11MemFormD(velkora::MemTable* dataset, velkora::TTabXForm** form)
{
    stampa(dataset, form, &vorp::ReportTable::fromMemTable);
}
