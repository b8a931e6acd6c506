#pragma once
// Brings a window to the front by its title, wherever it lives on the
// user's desktop: on X11 any program's top-level window of the display (the
// mail client runs as a program of its own), elsewhere (or without a
// display, as offscreen) this application's own visible windows.
#include <QString>

namespace vantor {

// Finds the top-level window titled exactly `title`, or failing that one
// whose title begins with it; restores it if minimised, raises and
// activates it. False when there is no such window.
bool bringWindowToFront(const QString& title);

}  // namespace vantor
