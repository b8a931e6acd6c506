// Builds without xcb: no X11 tray manager to follow.
#include "platform/gui/notification_area_p.h"

namespace vantor::notification_area {

std::unique_ptr<Kind> x11TrayManager(Changed) {
    return nullptr;
}

}  // namespace vantor::notification_area
