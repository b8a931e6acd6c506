#include "actions/mod_menu_item.h"

#include <QHash>

namespace vantor {
namespace {

const QChar kSeparateur = QLatin1Char('\\');

// The path of the folder holding `chemin`: everything before its last "\".
QString parentDe(const QString& chemin) {
    const qsizetype fin = chemin.lastIndexOf(kSeparateur);
    return fin < 0 ? QString() : chemin.left(fin);
}

// Every menu below the root looks its entries up by their parent's path, so
// that building the menu walks the list once instead of once per submenu.
class Arbre {
public:
    explicit Arbre(const ListeMenu& liste) : liste_(liste) {
        for (qsizetype i = 0; i < static_cast<qsizetype>(liste.size()); ++i) {
            const QString& chemin = liste[i].Chemin;
            if (chemin.contains(kSeparateur)) enfants_[parentDe(chemin)].push_back(i);
        }
    }

    EntreeMenu entree(qsizetype i) const {
        const MenuItem& item = liste_[i];
        EntreeMenu e{item.Caption, item.Id, {}};
        // A self entry must stay choosable, even beside a real folder named "-".
        if (item.Soi) return e;
        const auto trouve = enfants_.constFind(item.Chemin);
        if (trouve == enfants_.cend()) return e;
        for (qsizetype enfant : *trouve) {
            // An entry's Niveau counts its components, so its parent's path
            // lies one level up: only the level needs checking.
            if (liste_[enfant].Niveau == item.Niveau + 1) e.sousMenu.push_back(entree(enfant));
        }
        // A submenu item cannot be chosen: it keeps no id.
        if (!e.sousMenu.empty()) e.id = 0;
        return e;
    }

private:
    const ListeMenu& liste_;
    QHash<QString, std::vector<qsizetype>> enfants_;
};

}  // namespace

int LongueurRacine(const QString& path) {
    const qsizetype fin = path.indexOf(kSeparateur);
    return static_cast<int>(fin < 0 ? path.size() : fin);
}

QString NomFeuille(const QString& path) {
    const qsizetype fin = path.lastIndexOf(kSeparateur);
    return fin < 0 ? path : path.mid(fin + 1);
}

int NombreNiveaux(const QString& path) {
    return static_cast<int>(path.count(kSeparateur)) + 1;
}

std::vector<EntreeMenu> ConstruitMenu(int niveau, const ListeMenu& liste, const QString& prefixe) {
    const Arbre arbre(liste);
    const QString debut = prefixe.isEmpty() ? QString() : prefixe + kSeparateur;
    std::vector<EntreeMenu> menu;
    for (qsizetype i = 0; i < static_cast<qsizetype>(liste.size()); ++i) {
        const MenuItem& item = liste[i];
        if (item.Niveau != niveau || item.Chemin.size() <= prefixe.size()) continue;
        if (!item.Chemin.startsWith(debut)) continue;
        menu.push_back(arbre.entree(i));
    }
    return menu;
}

QString DossierDeId(int id, const ListeMenu& liste) {
    for (const MenuItem& item : liste) {
        if (item.Id != id) continue;
        const QString suffixe = QStringLiteral("\\-");
        if (item.Soi && item.Chemin.size() >= 3 && item.Chemin.endsWith(suffixe))
            return item.Chemin.chopped(suffixe.size());
        return item.Chemin;
    }
    return QString();
}

}  // namespace vantor
