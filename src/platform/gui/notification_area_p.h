#pragma once
// The kinds of notification area behind NotificationArea, one per file:
// the X11 tray manager (notification_area_x11.cpp, or
// notification_area_x11_none.cpp in builds without xcb) and the
// StatusNotifierItem host (notification_area_sni.cpp).
#include <functional>
#include <memory>

namespace vantor::notification_area {

class Kind {
  public:
    virtual ~Kind() = default;
    // Whether this kind of area is there now.
    virtual bool present() = 0;
};

// Called on every change a kind sees; the area then asks present() again.
using Changed = std::function<void()>;

// The X11 tray manager of the display Qt shows on; nullptr when Qt does not
// show on X11.
std::unique_ptr<Kind> x11TrayManager(Changed changed);

// The StatusNotifierItem host of the session bus; nullptr without a session bus.
std::unique_ptr<Kind> statusNotifierHost(Changed changed);

}  // namespace vantor::notification_area
