#pragma once

#include <QString>

class QAbstractButton;

namespace velkora {

// Gives a data window's save button its state: the tag (0 saved, 1 changes to save) and the
// picture that shows it (the green or the red one). A picture that cannot be read leaves the
// button without one and is reported on the warning output; the tag changes all the same.
void impostaStatoPulsante(QAbstractButton& pulsante, int tag, const QString& figura);

} // namespace velkora
