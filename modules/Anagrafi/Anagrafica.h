#pragma once

#include <velkora/kit/FinestraArchivio.h>

namespace velkora::anagrafi {

// The customer and supplier tables of the company archive: the same columns, their own
// generator, title, window name and layout of the printed list.
const kit::DescrizioneArchivio& clienti();
const kit::DescrizioneArchivio& fornitori();

// Project code under which the module stores its windows' positions and scripts.
inline constexpr qint32 kProgettoAnagrafi = 10;

} // namespace velkora::anagrafi
