#pragma once

// The shared data form for module libraries: a module creates its own TTabXForm, makes the
// user it was called for current (SetUserPerNum) and calls its services, for example
// ScritturaHandleDiApertura to record the window it opened. Link the data library (velkoradata).

#include "data/TabX.h"
