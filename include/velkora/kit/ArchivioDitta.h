#pragma once

#include <QString>

namespace velkora {
class TTabXForm;
}

namespace velkora::kit {

// The name of the typed parameter that holds the path of the company archive, and of the
// parameter of the user's parameter set it is taken from.
inline constexpr const char* kParametroArchivio = "ArchivioDitta";

// The company archive of the current user's company: the value of "ArchivioDitta" in the
// company's section of his parameter set, a relative path taken below the program folder
// (with either separator). Empty when the parameter is not set.
QString percorsoArchivio(TTabXForm& tabX);

// Attaches the data form's first general connection to the company archive. False, after an
// Italian box saying what is wrong, when the parameter is missing or the archive cannot be
// opened. Whether the archive holds the table is not read here (it would cost every opening a
// read): a window whose first read of the table fails asks segnalaTabellaMancante().
bool apriArchivio(TTabXForm& tabX);
// The same, from the parameter's value already read (TTabXForm::SetUserPerNumConParametro).
bool apriArchivio(TTabXForm& tabX, const QString& valore);

// After a read of `tabella` failed on the first general connection: when the archive lacks the
// table (or cannot even be asked), says so in an Italian box, detaches the archive and returns
// true; false when the table is there and the failure was another one, left to the caller.
bool segnalaTabellaMancante(TTabXForm& tabX, const QString& tabella);

} // namespace velkora::kit
