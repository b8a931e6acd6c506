#pragma once
// Preparing the mail client at the end of start-up. Its folder is the
// registry value "Path" of "HKEY_LOCAL_MACHINE\Software\Lotus\Notes" (the
// registry of this system: registre.reg in the program folder where there is
// no other), used as a prefix without adding a separator. When it can be
// read: with `autoNotes`, "AutoLogoffMinutes" = "0" in section "NOTES" of
// "<Path>notes.ini", the rest of that file unchanged; then, whatever the
// options, "<Path>notes.exe" is started minimised without waiting (see
// Env::startProgram for what runs here). A client that cannot be started is
// logged and skipped.
#include "core/modlotus.h"

namespace vantor {

void prepareClientNotes(ModLOTUS& m, bool autoNotes);

}  // namespace vantor
