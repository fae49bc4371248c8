#pragma once

#include "services/IndicatoreSalva.h"

class QAbstractButton;

namespace velkora {

// A data window's save button as the editing services see it: the tag is the button's "tag"
// property (velkora/services/Segnalibro.h) and the picture its icon. A picture that cannot be
// read leaves the button without one and is reported on the warning output; the tag changes all
// the same.
class PulsanteSalva : public IndicatoreSalva
{
public:
    explicit PulsanteSalva(QAbstractButton& pulsante);

    int tag() const override;
    void imposta(int tag, const QString& figura) override;

private:
    QAbstractButton& m_pulsante;
};

} // namespace velkora
