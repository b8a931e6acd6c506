#pragma once
// Preparing the mail client at the end of start-up: its automatic logoff and
// its launch. The client's installation is found through the toolkit's
// registry stand-in, which this build does not carry yet, so there is
// nothing to prepare: the local store needs no running client.
#include "core/modlotus.h"

namespace vantor {

inline void prepareClientNotes(ModLOTUS&, bool /*autoNotes*/) {}

}  // namespace vantor
