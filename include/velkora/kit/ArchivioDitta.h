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
// Italian box saying what is wrong, when the parameter is missing, the archive cannot be opened,
// or it lacks the table of this list.
bool apriArchivio(TTabXForm& tabX, const QString& tabella);

} // namespace velkora::kit
