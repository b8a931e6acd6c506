#include "platform/gui/window_finder.h"

#include <QApplication>
#include <QStringList>
#include <QWidget>

#include "platform/gui/window_finder_p.h"

namespace vantor {
namespace window_finder {

int pickTitle(const QStringList& titles, const QString& title) {
    int byPrefix = -1;
    for (int i = 0; i < titles.size(); ++i) {
        if (titles[i] == title) return i;
        if (byPrefix < 0 && titles[i].startsWith(title)) byPrefix = i;
    }
    return byPrefix;
}

bool bringOwnWindowToFront(const QString& title) {
    QList<QWidget*> windows;
    QStringList titles;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible()) continue;
        windows << w;
        titles << w->windowTitle();
    }
    const int found = pickTitle(titles, title);
    if (found < 0) return false;
    QWidget* w = windows[found];
    if (w->isMinimized()) w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->raise();
    w->activateWindow();
    return true;
}

}  // namespace window_finder

bool bringWindowToFront(const QString& title) {
    if (std::optional<bool> found = window_finder::bringNativeWindowToFront(title)) return *found;
    return window_finder::bringOwnWindowToFront(title);
}

}  // namespace vantor
