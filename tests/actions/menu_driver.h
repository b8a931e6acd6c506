#pragma once
// Chooses in the modal folder menu with the keyboard, the steps queued before it
// opens and run from inside its event loop.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <functional>

namespace vantor::test {

inline QMenu* menuOuvert() {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

inline void touche(QWidget* w, int key) {
    QKeyEvent appui(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &appui);
}

// Runs `pas` with the root menu as soon as a menu is open.
inline void quandMenuOuvert(std::function<void(QMenu&)> pas) {
    auto* attente = new QTimer;
    attente->setInterval(5);
    QObject::connect(attente, &QTimer::timeout, [attente, pas] {
        QMenu* menu = menuOuvert();
        if (menu == nullptr) return;
        attente->stop();
        attente->deleteLater();
        pas(*menu);
    });
    attente->start();
}

// The entry of `menu` shown with that text.
inline QAction* entree(QMenu& menu, const QString& texte) {
    for (QAction* a : menu.actions())
        if (a->text() == texte) return a;
    return nullptr;
}

// Opens the submenus along `captions` and chooses the last; an empty list dismisses the menu.
inline void choisir(QMenu& racine, const QStringList& captions) {
    QMenu* menu = &racine;
    for (qsizetype i = 0; i < captions.size() && menu != nullptr; ++i) {
        QAction* a = entree(*menu, captions[i]);
        if (a == nullptr) {  // a missing entry fails the test instead of hanging it
            racine.close();
            return;
        }
        menu->setActiveAction(a);
        touche(menu, i + 1 < captions.size() ? Qt::Key_Right : Qt::Key_Return);
        menu = menuOuvert();
    }
    if (captions.isEmpty()) touche(menu, Qt::Key_Escape);
}

}  // namespace vantor::test
