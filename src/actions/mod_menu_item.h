#pragma once
// The folder menu as data: flat lists of backslash paths (Projets\2004\Janvier)
// and the tree of captions and ids a cascading menu is built from. No widgets
// here, so that the tree can be checked without a screen.
#include <QString>
#include <vector>

namespace vantor {

// One entry of a folder-menu list.
struct MenuItem {
    QString Caption;        // last component of Chemin, or "-" for a self entry
    int Niveau = 0;         // NombreNiveaux(Chemin): 1 for a top-level entry
    QString Chemin;         // full path; a self entry's is its folder's followed by "\-"
    int Id = 0;             // command id, from 1, unique in the list; 0 is never an id
    bool AEnfants = false;  // another entry's path lies below this one (while built)
    // This entry stands for its folder inside the folder's own submenu. Kept
    // apart from the path, which a real folder named "-" shares.
    bool Soi = false;
};
using ListeMenu = std::vector<MenuItem>;

// The length of the first component of `path`.
int LongueurRacine(const QString& path);
// The text after the last "\" ("a\" gives ""), or the whole path.
QString NomFeuille(const QString& path);
// The number of "\" plus one.
int NombreNiveaux(const QString& path);

// One entry of a built menu: a choosable item (`id` set, no children) or a
// submenu (children, and no id of its own).
struct EntreeMenu {
    QString caption;
    int id = 0;
    std::vector<EntreeMenu> sousMenu;
};

// The entries of level `niveau` under `prefixe` ("" for the root), in list
// order, each with its own submenu; empty when nothing belongs there, so an
// entry without children stays a plain, choosable item. An entry belongs
// under a prefix only when its path begins with the prefix followed by "\"
// (A\BC\D is not under A\B). The list's Niveau must be NombreNiveaux(Chemin),
// as the folder collection builds it.
std::vector<EntreeMenu> ConstruitMenu(int niveau, const ListeMenu& liste, const QString& prefixe);

// The folder of the entry with that id, a self entry giving its folder's
// path; "" when no entry has it.
QString DossierDeId(int id, const ListeMenu& liste);

}  // namespace vantor
