#pragma once
// Finds a window by its title and brings it to the front. The mail client's
// windows live in this process (see notes/workspace), so the search covers
// this application's visible top-level widgets; that is the nearest real
// facility to a system-wide search by title on this machine.
#include <QString>

class QWidget;

namespace vantor {

// The visible top-level window titled exactly `title`, or failing that the
// first whose title begins with it; null when there is none.
QWidget* findWindowByTitle(const QString& title);

// Restores that window if minimised, raises and activates it; false when
// there is no such window.
bool bringWindowToFront(const QString& title);

}  // namespace vantor
