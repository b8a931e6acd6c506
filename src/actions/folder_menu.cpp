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

// A submenu gets its entries when it is about to show: a mailbox of
// thousands of folders costs widgets only for the menus the user opens.
void remplir(QMenu& menu, const std::vector<EntreeMenu>& entrees) {
    for (const EntreeMenu& e : entrees) {
        if (e.sousMenu.empty()) {
            menu.addAction(texteDe(e.caption))->setData(e.id);
            continue;
        }
        QMenu* sous = menu.addMenu(texteDe(e.caption));
        const std::vector<EntreeMenu>* enfants = &e.sousMenu;
        QObject::connect(
            sous, &QMenu::aboutToShow, sous, [sous, enfants] { remplir(*sous, *enfants); },
            Qt::SingleShotConnection);
    }
}

}  // namespace

std::unique_ptr<QMenu> menuDeArbre(const std::vector<EntreeMenu>& arbre) {
    auto racine = std::make_unique<QMenu>();
    remplir(*racine, arbre);
    return racine;
}

int AfficheMenu(QPoint point, const ListeMenu* liste, FrmMsg& popup) {
    // The tree outlives the menu, whose submenus read it as they open.
    const std::vector<EntreeMenu> arbre =
        liste ? ConstruitMenu(1, *liste, QString()) : std::vector<EntreeMenu>{};
    std::unique_ptr<QMenu> racine;
    if (!arbre.empty()) racine = menuDeArbre(arbre);
    popup.relanceTimerFermeture();
    QCoreApplication::processEvents();
    if (!racine) return 0;

    const QAction* choisie = racine->exec(point);
    const int id = choisie != nullptr ? choisie->data().toInt() : 0;
    racine.reset();
    return id;
}

}  // namespace vantor
