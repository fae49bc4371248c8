#pragma once

// The shared data form for module libraries: a module creates its own TTabXForm, makes the
// user it was called for current (SetUserPerNum) and calls its services, for example
// ScritturaHandleDiApertura to record the window it opened. Link the data library (velkoradata).
//
// The public headers a module may use, all below include/velkora:
//   velkora/EntryPoints.h              entry-point signatures, VELKORA_CALL, counted text
//   velkora/TabXForm.h                 this header: the data form (velkora/data/TabX.h)
//   velkora/db/Database.h              the database connection the form owns
//   velkora/db/Transaction.h           transactions on it
//   velkora/db/TransactionGuard.h      rolls a transaction back unless the work committed
//   velkora/db/Query.h                 statements, rows and named parameters
//   velkora/db/QueryDataSet.h          the editable query dataset of a data window
//   velkora/db/UpdateSql.h             the statements that write its rows back
//   velkora/db/DbError.h               the errors they throw (isLockConflict())
//   velkora/platform/Environment.h     program folder, message service and drive letters
//   velkora/platform/DriveMap.h        the folders the drive letters name
//   velkora/platform/MessageService.h  message boxes and modal dialogs
//   velkora/platform/SilentAbort.h     how the lock probe abandons an edit it refused
//   velkora/services/WindowPositions.h window positions stored per user
//   velkora/services/ScriptFinestra.h  DataPerSQL, the dates of the per-window scripts
//   velkora/services/Segnalibro.h      a data window's bookmark and its save button's tag
//   velkora/tabx/MemTable.h            the form's in-memory table
// Only the include folder above "velkora" and Qt are needed on the include path.

#include <velkora/data/TabX.h>
#include <velkora/db/DbError.h>
#include <velkora/db/QueryDataSet.h>
#include <velkora/db/UpdateSql.h>
#include <velkora/platform/MessageService.h>
#include <velkora/services/ScriptFinestra.h>
#include <velkora/services/WindowPositions.h>
