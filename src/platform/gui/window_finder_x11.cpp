// The native search on X11: the top-level windows of the whole display, as
// the window manager lists them (EWMH _NET_CLIENT_LIST) or, without one, the
// root window's children; titles from _NET_WM_NAME, else WM_NAME. The window
// found is activated through the window manager (_NET_ACTIVE_WINDOW), which
// also restores it from an icon, or, without one, mapped, raised and given
// the focus directly.
#include <QGuiApplication>
#include <QStringList>
#include <vector>

#include "platform/gui/window_finder_p.h"

// Xlib last: its macros (None, Bool, Status...) clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vantor::window_finder {
namespace {

// Windows may vanish while they are looked at; Xlib's default handler
// would end the program for that.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

class Connection {
  public:
    Connection() : display_(XOpenDisplay(nullptr)) {
        if (display_) previous_ = XSetErrorHandler(ignoreErrors);
    }
    ~Connection() {
        if (!display_) return;
        XSync(display_, False);  // every request made, every error seen, before the handler goes
        XSetErrorHandler(previous_);
        XCloseDisplay(display_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* get() const { return display_; }
    Atom atom(const char* name) const { return XInternAtom(display_, name, False); }

  private:
    Display* display_;
    XErrorHandler previous_ = nullptr;
};

// A property's raw items, as Xlib hands them out (format 32 as longs).
struct Property {
    Atom type = 0;
    int format = 0;
    std::vector<unsigned char> bytes;
    std::vector<unsigned long> longs;
};

Property readProperty(Display* d, Window w, Atom name, Atom wanted) {
    Property p;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, name, 0, 1L << 16, False, wanted, &p.type, &p.format, &count,
                           &after, &data) != Success ||
        !data)
        return p;
    if (p.format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        p.longs.assign(values, values + count);
    } else if (p.format == 8) {
        p.bytes.assign(data, data + count);
    }
    XFree(data);
    return p;
}

QString titleOf(const Connection& x, Window w) {
    const Atom utf8 = x.atom("UTF8_STRING");
    const Property net = readProperty(x.get(), w, x.atom("_NET_WM_NAME"), utf8);
    if (net.type == utf8 && !net.bytes.empty())
        return QString::fromUtf8(reinterpret_cast<const char*>(net.bytes.data()),
                                 static_cast<qsizetype>(net.bytes.size()));
    QString title;
    XTextProperty text{};
    if (XGetWMName(x.get(), w, &text) && text.value) {
        char** list = nullptr;
        int count = 0;
        if (Xutf8TextPropertyToTextList(x.get(), &text, &list, &count) >= Success && count > 0 &&
            list) {
            title = QString::fromUtf8(list[0]);
            XFreeStringList(list);
        } else if (text.encoding == XA_STRING) {
            title = QString::fromLatin1(reinterpret_cast<const char*>(text.value),
                                        static_cast<qsizetype>(text.nitems));
        }
        XFree(text.value);
    }
    return title;
}

// ICCCM state the window manager set: 1 normal, 3 iconic; -1 when none.
long wmState(const Connection& x, Window w) {
    const Atom state = x.atom("WM_STATE");
    const Property p = readProperty(x.get(), w, state, state);
    return p.longs.empty() ? -1 : static_cast<long>(p.longs.front());
}

bool startsIconic(Display* d, Window w) {
    XWMHints* hints = XGetWMHints(d, w);
    if (!hints) return false;
    const bool iconic = (hints->flags & StateHint) && hints->initial_state == IconicState;
    XFree(hints);
    return iconic;
}

// The window manager announces itself through a check window that names
// itself (EWMH); a stale property from one that ended does not count.
bool windowManagerRuns(const Connection& x, Window root) {
    const Atom check = x.atom("_NET_SUPPORTING_WM_CHECK");
    const Property p = readProperty(x.get(), root, check, XA_WINDOW);
    if (p.longs.empty()) return false;
    const Property self = readProperty(x.get(), p.longs.front(), check, XA_WINDOW);
    return !self.longs.empty() && self.longs.front() == p.longs.front();
}

// The client window inside a frame of a window manager that does not keep
// the EWMH list: the first descendant carrying WM_STATE.
Window clientBelow(const Connection& x, Window w, int depth) {
    if (wmState(x, w) >= 0 || depth == 0) return w;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(x.get(), w, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !found; ++i) {
            const Window below = clientBelow(x, children[i], depth - 1);
            if (wmState(x, below) >= 0) found = below;
        }
        if (children) XFree(children);
    }
    return found ? found : w;
}

// Top-level windows a user could bring forward: managed ones, or without a
// window manager those shown or waiting as an icon (never a withdrawn one).
std::vector<Window> topLevelWindows(const Connection& x, Window root, bool managed) {
    if (managed) {
        const Property list = readProperty(x.get(), root, x.atom("_NET_CLIENT_LIST"), XA_WINDOW);
        if (!list.longs.empty()) return {list.longs.begin(), list.longs.end()};
    }
    std::vector<Window> windows;
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(x.get(), root, &rootReturn, &parent, &children, &count)) return windows;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(x.get(), children[i], &attributes) ||
            attributes.override_redirect || attributes.c_class == InputOnly)
            continue;
        const Window client = clientBelow(x, children[i], 2);
        const long state = wmState(x, client);
        if (attributes.map_state == IsViewable || state == IconicState ||
            (state < 0 && startsIconic(x.get(), client)))
            windows.push_back(client);
    }
    if (children) XFree(children);
    return windows;
}

void activate(const Connection& x, Window root, Window w, bool managed) {
    if (managed) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = w;
        event.xclient.message_type = x.atom("_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;  // asked for by the user's tool, like a pager: always honoured
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(x.get(), root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        return;
    }
    XMapRaised(x.get(), w);
    XSync(x.get(), False);  // viewable now, or the focus would be refused
    XSetInputFocus(x.get(), w, RevertToPointerRoot, CurrentTime);
}

}  // namespace

std::optional<bool> bringNativeWindowToFront(const QString& title) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return std::nullopt;
    Connection x;
    if (!x.get()) return std::nullopt;
    const Window root = DefaultRootWindow(x.get());
    const bool managed = windowManagerRuns(x, root);

    const std::vector<Window> windows = topLevelWindows(x, root, managed);
    QStringList titles;
    for (Window w : windows) titles << titleOf(x, w);
    const int found = pickTitle(titles, title);
    if (found < 0) return false;
    activate(x, root, windows[static_cast<size_t>(found)], managed);
    return true;
}

}  // namespace vantor::window_finder
