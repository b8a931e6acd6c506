#include "actions/folder_menu.h"

#include <QCoreApplication>
#include <QMenu>

#include "watch/frm_msg.h"

namespace vantor {
namespace {

// A folder named "R&D" must not lose its "&" to a keyboard accelerator.
QString texteDe(const QString& caption) {
    QString t = caption;
    return t.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

void remplir(QMenu& menu, const std::vector<EntreeMenu>& entrees) {
    for (const EntreeMenu& e : entrees) {
        if (e.sousMenu.empty()) {
            menu.addAction(texteDe(e.caption))->setData(e.id);
        } else {
            remplir(*menu.addMenu(texteDe(e.caption)), e.sousMenu);
        }
    }
}

}  // namespace

std::unique_ptr<QMenu> menuDeArbre(const std::vector<EntreeMenu>& arbre) {
    auto racine = std::make_unique<QMenu>();
    remplir(*racine, arbre);
    return racine;
}

int AfficheMenu(QPoint point, const ListeMenu* liste, FrmMsg& popup) {
    std::unique_ptr<QMenu> racine;
    if (liste != nullptr) {
        const std::vector<EntreeMenu> arbre = ConstruitMenu(1, *liste, QString());
        if (!arbre.empty()) racine = menuDeArbre(arbre);
    }
    popup.relanceTimerFermeture();
    QCoreApplication::processEvents();
    if (!racine) return 0;

    const QAction* choisie = racine->exec(point);
    const int id = choisie != nullptr ? choisie->data().toInt() : 0;
    racine.reset();
    return id;
}

}  // namespace vantor
