#include "actions/charge_dossiers.h"

namespace vantor {

// The folder menu does not exist yet: every slot keeps the list it has.
void ChargeDossiers(ModLOTUS&, int) {}

}  // namespace vantor
