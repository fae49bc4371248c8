#pragma once

#include "ReportTable.h"

namespace velkora {
class TTabXForm;
}

namespace vorp {

// Shows the report of the table as a print preview, modally through the form's message
// service: the title and the report name come from the form's typed parameters "TitoloStampa"
// and "NomeReport", the company from the form. From the preview the user prints or saves a PDF.
void MostraAnteprima(const ReportTable& table, velkora::TTabXForm& form);

} // namespace vorp
