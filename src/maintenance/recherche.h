#pragma once
// The mail-layer work of one phrase search; the window's part is in Maintenance.
#include <QString>
#include <optional>

#include "core/modlotus.h"
#include "maintenance/fenetre_maintenance.h"

namespace vantor {

// A text as the search compares it: composed (NFC), so that an accent typed
// and an accent stored as a separate mark read alike, then lower-cased by
// the Unicode rules ("RÉUNION" reads "réunion"; ß stays ß, no ss).
QString pourComparer(const QString& texte);

// The document's subject, or failing that its body, holds `phrase`
// (already passed through pourComparer).
bool estTrouve(const notes::Document& document, const QString& phrase);

// Empties the slot's folder "Recherche", files there every document of
// "($All)" that holds `phrase`, and opens the folder in the mail client.
// The number of hits, or nullopt when the mailbox has no folder
// "Recherche" (nothing is then changed). Throws the first failure.
std::optional<int> rechercher(ModLOTUS& m, FenetreMaintenance& fenetre, int slot,
                              const QString& phrase);

}  // namespace vantor
