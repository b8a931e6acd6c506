// The X11 tray manager, on Qt's own connection to the display: whether the
// selection _NET_SYSTEM_TRAY_S<screen> has an owner, and the MANAGER
// message a new owner sends to the root window (Qt listens to the root
// window's structure events, which carry it, so a native event filter sees
// it pass).
#include <xcb/xcb.h>

#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>
#include <cstdlib>

#include "platform/gui/notification_area_p.h"

namespace vantor::notification_area {
namespace {

xcb_atom_t internAtom(xcb_connection_t* c, const QByteArray& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.constData()), nullptr);
    if (!reply) return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

// The screen DISPLAY names (":0.1" is screen 1), as Qt's own connection took it.
int screenNumber() {
    char* host = nullptr;
    int display = 0, screen = 0;
    if (!xcb_parse_display(nullptr, &host, &display, &screen)) return 0;
    std::free(host);
    return screen;
}

class X11TrayManager : public Kind, public QAbstractNativeEventFilter {
  public:
    X11TrayManager(xcb_connection_t* c, Changed changed)
        : connection_(c),
          selection_(internAtom(c, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber()))),
          manager_(internAtom(c, "MANAGER")),
          changed_(std::move(changed)) {
        QAbstractEventDispatcher::instance()->installNativeEventFilter(this);
    }
    ~X11TrayManager() override {
        if (auto* dispatcher = QAbstractEventDispatcher::instance())
            dispatcher->removeNativeEventFilter(this);
    }

    bool present() override {
        xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
            connection_, xcb_get_selection_owner(connection_, selection_), nullptr);
        if (!reply) return false;
        const bool owned = reply->owner != XCB_WINDOW_NONE;
        std::free(reply);
        return owned;
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
        const auto* m = static_cast<const xcb_client_message_event_t*>(message);
        if (m->type == manager_ && m->format == 32 && m->data.data32[1] == selection_) changed_();
        return false;  // Qt's own tray code needs it too
    }

  private:
    xcb_connection_t* connection_;
    xcb_atom_t selection_;
    xcb_atom_t manager_;
    Changed changed_;
};

}  // namespace

std::unique_ptr<Kind> x11TrayManager(Changed changed) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return nullptr;
    return std::make_unique<X11TrayManager>(x11->connection(), std::move(changed));
}

}  // namespace vantor::notification_area
