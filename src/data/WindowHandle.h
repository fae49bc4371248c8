#pragma once

#include <QStringList>

namespace velkora {

// The statement that records, in the call log, the handle of the window a module opened under a
// window id (TTabXForm::ScritturaHandleDiApertura runs it).
QStringList istruzioneHandleFinestra(qint32 idFinestra, qint32 handle);

} // namespace velkora
