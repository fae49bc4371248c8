#include "services/ui/PulsanteSalva.h"

#include <velkora/services/Segnalibro.h>

#include <QAbstractButton>
#include <QIcon>
#include <QPixmap>

namespace velkora {

PulsanteSalva::PulsanteSalva(QAbstractButton& pulsante)
    : m_pulsante(pulsante)
{
}

int PulsanteSalva::tag() const
{
    return tagPulsante(m_pulsante);
}

void PulsanteSalva::imposta(int tag, const QString& figura)
{
    setTagPulsante(m_pulsante, tag);
    const QPixmap immagine(figura);
    if (immagine.isNull())
        qWarning("Immagine del pulsante di salvataggio non leggibile: %s", qUtf8Printable(figura));
    m_pulsante.setIcon(immagine.isNull() ? QIcon() : QIcon(immagine));
}

} // namespace velkora
