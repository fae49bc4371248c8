#pragma once

#include <QString>

namespace velkora {

// What the editing services know of a data window's save button: the tag that keeps the
// window's save state (1 while it holds changes not yet committed, 0 otherwise) and the picture
// that shows it. The services decide the state; what paints it lives with the widgets, which
// implement this over the button (services/ui/PulsanteSalva.h).
class IndicatoreSalva
{
public:
    virtual ~IndicatoreSalva() = default;
    virtual int tag() const = 0;
    // Sets the tag and shows the picture of that path.
    virtual void imposta(int tag, const QString& figura) = 0;
};

} // namespace velkora
