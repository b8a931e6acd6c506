#pragma once
// The user's hands and the X server's own view of the screen: the pointer
// and the keyboard driven in the X server (xdotool), as a mouse and a
// keyboard would, and the window tree (xwininfo), for what the
// accessibility bus does not publish, such as the icons docked in the tray.
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace vantor::e2e::desktop {

// Moves the pointer to a point of the screen, in pixels; true once it is there.
bool moveTo(QPoint p);
bool click(QPoint p, int button = 1);
bool doubleClick(QPoint p);
// Clicks the middle of an area, such as a button's extents.
bool clickIn(const QRect& r, int button = 1);
// Presses and releases keys by their X names ("Return", "Escape", "ctrl+a").
bool key(const QString& keys);
// Types text as key strokes into whatever has the keyboard focus.
bool type(const QString& text);

QSize screenSize();
// The windows of that title docked in the tray host's panel.
QList<QRect> trayIcons(const QString& title);
// The first of them; empty when none.
QRect trayIcon(const QString& title);
// The title of the window that has the keyboard focus.
QString focusedWindowTitle();

}  // namespace vantor::e2e::desktop
