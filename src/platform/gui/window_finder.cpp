#include "platform/gui/window_finder.h"

#include <QApplication>
#include <QWidget>

namespace vantor {

QWidget* findWindowByTitle(const QString& title) {
    QWidget* byPrefix = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible()) continue;
        const QString t = w->windowTitle();
        if (t == title) return w;
        if (byPrefix == nullptr && t.startsWith(title)) byPrefix = w;
    }
    return byPrefix;
}

bool bringWindowToFront(const QString& title) {
    QWidget* w = findWindowByTitle(title);
    if (w == nullptr) return false;
    if (w->isMinimized()) w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->raise();
    w->activateWindow();
    return true;
}

}  // namespace vantor
