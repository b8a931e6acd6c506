// Builds without a native window search: only this application's windows.
#include "platform/gui/window_finder_p.h"

namespace vantor::window_finder {

std::optional<bool> bringNativeWindowToFront(const QString&) {
    return std::nullopt;
}

}  // namespace vantor::window_finder
