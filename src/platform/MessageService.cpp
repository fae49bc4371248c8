#include "platform/MessageService.h"

#include <QtGlobal>

namespace velkora::platform {

bool MessageService::showBox(BoxKind kind, const QString& text, const QString& detail,
                             QWidget* parent)
{
    // The detail is for whoever looks into a fault later: it goes to the warning output even
    // when the user closes the box without opening it.
    if (!detail.isEmpty())
        qWarning("%s\n%s", qPrintable(text), qPrintable(detail));
    return present(kind, text, detail, parent);
}

} // namespace velkora::platform
