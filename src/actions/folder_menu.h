#pragma once
// The folder menu on screen: a cascading QMenu built from the tree of
// mod_menu_item.h, shown at a point, modal, released after the choice.
#include <QPoint>
#include <memory>
#include <vector>

#include "actions/mod_menu_item.h"

class QMenu;

namespace vantor {

class FrmMsg;

// The menu of a tree; each submenu is a child of its menu, so deleting the
// root releases the whole tree, and is filled when it is first about to
// show. Choosable items carry their id as data. `arbre` must outlive the menu.
std::unique_ptr<QMenu> menuDeArbre(const std::vector<EntreeMenu>& arbre);

// Shows the menu of `liste` with its top-left corner at `point` (screen
// pixels) and waits for the choice; window events, the popup's countdown
// included, keep running meanwhile. Restarts the popup's countdown first.
// Returns the chosen id; 0 when the menu was dismissed or `liste` is null or
// empty (nothing is shown then).
int AfficheMenu(QPoint point, const ListeMenu* liste, FrmMsg& popup);

}  // namespace vantor
