#pragma once
// The pointer moved and clicked in the X server itself (xdotool), as the
// user's mouse would, and the tooltip window that Qt puts on screen.
#include <QtCore/qtestsupport_core.h>

#include <QApplication>
#include <QLabel>
#include <QPoint>
#include <QProcess>

namespace vantor::test {

inline bool xdotool(const QStringList& args) {
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

// Moves the pointer to a point of the screen, in pixels; true once it is there.
inline bool pointerTo(QPoint global) {
    return xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"),
                    QString::number(global.x()), QString::number(global.y())});
}

inline bool clickAt(QPoint global, int button = 1) {
    return pointerTo(global) && xdotool({QStringLiteral("click"), QString::number(button)});
}

// The text of the tooltip on screen; "" when none shows.
inline QString tooltipShown() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->inherits("QTipLabel")) return static_cast<QLabel*>(w)->text();
    }
    return {};
}

// Rests the pointer on `global` (once away at `elsewhere`), moving by a pixel now
// and then as a hand does, until a tooltip shows; its text, or "".
inline QString tooltipAt(QPoint global, QPoint elsewhere) {
    pointerTo(elsewhere);
    (void)QTest::qWaitFor([] { return tooltipShown().isEmpty(); }, 5000);
    // Qt drops a move to where the pointer entered, and a late focus change
    // cancels a pending tooltip: a further move starts it again.
    for (int essai = 0; essai < 8; ++essai) {
        if (!pointerTo(global + QPoint(essai % 2 == 0 ? -1 : 1, 0))) return {};
        QCoreApplication::processEvents();
        if (essai > 0 && QTest::qWaitFor([] { return !tooltipShown().isEmpty(); }, 1500)) break;
    }
    return tooltipShown();
}

}  // namespace vantor::test
