#pragma once
// The back-end session of an archiving or search run.
#include "core/modlotus.h"

namespace vantor {

// Creates a session and initialises it with MotDePasse: first re-read from
// param.ini (`relire`, as archiving does) or only when empty (as the search
// does), then asked for when still empty. The answer is kept for the run of
// the program, never stored.
notes::SessionPtr ouvrirSession(ModLOTUS& m, bool relire);

}  // namespace vantor
