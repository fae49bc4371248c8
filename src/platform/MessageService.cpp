#include "platform/MessageService.h"

#include <QtGlobal>

#include <atomic>

namespace velkora::platform {

namespace {

std::atomic<bool> g_unattended{false};

const char* kindName(BoxKind kind)
{
    switch (kind) {
    case BoxKind::Error:
        return "Errore";
    case BoxKind::Warning:
        return "Avviso";
    case BoxKind::Information:
        return "Informazione";
    case BoxKind::Confirmation:
        return "Domanda (risposta: Sì)";
    case BoxKind::Plain:
        break;
    }
    return "Messaggio";
}

} // namespace

void MessageService::setUnattended()
{
    g_unattended = true;
}

bool MessageService::unattended()
{
    return g_unattended;
}

bool MessageService::showBox(BoxKind kind, const QString& text, const QString& detail,
                             QWidget* parent)
{
    if (g_unattended) {
        qWarning("Chiusura del programma, messaggio non mostrato. %s: %s%s%s", kindName(kind),
                 qPrintable(text), detail.isEmpty() ? "" : "\n", qPrintable(detail));
        return true;
    }
    // The detail is for whoever looks into a fault later: it goes to the warning output even
    // when the user closes the box without opening it.
    if (!detail.isEmpty())
        qWarning("%s\n%s", qPrintable(text), qPrintable(detail));
    return present(kind, text, detail, parent);
}

} // namespace velkora::platform
