#pragma once
// The mail-layer work of one phrase search; the window's part is in Maintenance.
#include <QString>
#include <optional>

#include "core/modlotus.h"
#include "maintenance/fenetre_maintenance.h"

namespace vantor {

// The phrase typed, as the search looks for it: composed (NFC) and
// lower-cased by Unicode's case folding, the lower-casing meant for
// comparisons ("RÉUNION" reads "réunion"; ß stays ß: no ss).
QString phraseCherchee(const QString& saisie);

// `texte` holds `phrase` (a phraseCherchee) once both are composed and
// case-folded alike: an accent stored as a separate mark reads as the
// accented letter typed.
bool contient(const QString& texte, const QString& phrase);

// The document's subject, or failing that its body, holds `phrase`.
bool estTrouve(const notes::Document& document, const QString& phrase);

// Empties the slot's folder "Recherche", files there every candidate the
// mailbox gives for `phrase` (all of "($All)" on the store) that holds it,
// and opens the folder in the mail client.
// The number of hits, or nullopt when the mailbox has no folder
// "Recherche" (nothing is then changed). Throws the first failure.
std::optional<int> rechercher(ModLOTUS& m, FenetreMaintenance& fenetre, int slot,
                              const QString& phrase);

}  // namespace vantor
