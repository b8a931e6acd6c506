#pragma once
// Collecting a mailbox's folder list for the popup's folder menu.
#include "core/modlotus.h"

namespace vantor {

// Rebuilds the folder list of `slot`; a slot whose collection cannot run keeps
// the list it had.
void ChargeDossiers(ModLOTUS& m, int slot);

}  // namespace vantor
