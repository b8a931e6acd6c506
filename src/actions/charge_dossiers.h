#pragma once
// Collecting each mailbox's folder list for the popup's folder menu.
#include <QStringList>
#include <array>
#include <functional>

#include "actions/mod_menu_item.h"
#include "core/keys.h"
#include "core/modlotus.h"

namespace vantor {

// One folder-menu list per mailbox slot; empty until collected.
using ListeDossiers = std::array<ListeMenu, keys::kSlots>;

// What runs while a collection goes on.
struct PendantCollecte {
    // Lets pending window events run once; QCoreApplication::processEvents when unset.
    std::function<void()> laisserEvenements;
    // Restarts the popup's countdown, which must not close it meanwhile.
    std::function<void()> relanceTimerFermeture;
};

// The menu list of folders given in the database's order: ids 1, 2, ... in
// that order; each folder that has a real subfolder (another path begins
// with its path and "\") is followed by its self entry "-", numbered on
// from the number of folders. `apresChaque` runs after each folder.
ListeMenu listeDeDossiers(const QStringList& dossiers,
                          const std::function<void()>& apresChaque = {});

// Rebuilds the list of `slot` from its mailbox ("BAL_"slot on ServeurBAL)
// with a back-end session, asking for the password when none is known. The
// mailbox's system views and folders, and folders named "(...)" or "...)",
// are left out. A slot without a mailbox gets an empty list, without a
// session or a prompt; a collection that fails keeps the previous list and
// is logged as "Calcul Menu - ...".
void ChargeDossiers(ModLOTUS& m, ListeDossiers& listes, int slot,
                    const PendantCollecte& pendant = {});

}  // namespace vantor
