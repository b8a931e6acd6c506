#pragma once
// The platform variants behind bringWindowToFront: one native search per
// build (window_finder_x11.cpp, or window_finder_none.cpp where there is
// none), and this application's own windows as the fallback.
#include <QString>
#include <optional>

namespace vantor::window_finder {

// The search of the native desktop: true or false when it could look, or
// nullopt when the native desktop is not the one this application shows on.
std::optional<bool> bringNativeWindowToFront(const QString& title);

// The search of this application's visible top-level widgets.
bool bringOwnWindowToFront(const QString& title);

// Exact title first, else the first title beginning with `title`: the
// index in `titles`, or -1.
int pickTitle(const QStringList& titles, const QString& title);

}  // namespace vantor::window_finder
