// The mail client started minimised, as the watcher starts it, on a real X
// display: bringing "Lotus Notes" to the front finds its window among every
// program's windows, maps (restores) it, raises it and gives it the focus,
// with or without a window manager.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>
#include <functional>

#include "notes/store/store_admin.h"
#include "platform/gui/window_finder.h"
#include "support/running_client.h"
#include "support/temp_dir.h"

// Xlib last: its macros (None, Bool, Status...) clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vantor {
namespace {

class DisplayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr) << "no X display";
        root_ = DefaultRootWindow(display_);
        store::StoreAdmin(data()).setUser("Jean Dupont/Vantor", "x", QString(),
                                          QStringLiteral("mail\\jdupont.nsf"));
    }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
    }
    QString data() const { return dir_.file("notesdata"); }

    // Waits (events running) until `condition` holds; false if it never does.
    static bool eventually(const std::function<bool()>& condition) {
        return QTest::qWaitFor(condition, 30000);
    }

    long cardinal(Window w, const char* name, Atom type) {
        Atom actual = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        long value = -1;
        if (XGetWindowProperty(display_, w, XInternAtom(display_, name, False), 0, 1, False, type,
                               &actual, &format, &count, &after, &data) == Success &&
            data && count == 1 && format == 32)
            value = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
        if (data) XFree(data);
        return value;
    }

    // The client's window: the one of its process titled "Lotus Notes", at
    // the top level or inside a window manager's frame.
    Window clientWindow(qint64 pid, Window parent = 0, int depth = 3) {
        if (!parent) parent = root_;
        Window rootReturn = 0, parentReturn = 0, *children = nullptr;
        unsigned int count = 0;
        Window found = 0;
        XSync(display_, False);
        if (!XQueryTree(display_, parent, &rootReturn, &parentReturn, &children, &count)) return 0;
        for (unsigned int i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            if (cardinal(children[i], "_NET_WM_PID", XA_CARDINAL) == pid &&
                XFetchName(display_, children[i], &name) && name &&
                QString::fromLocal8Bit(name) == QLatin1String("Lotus Notes"))
                found = children[i];
            if (name) XFree(name);
            if (!found && depth > 1) found = clientWindow(pid, children[i], depth - 1);
        }
        if (children) XFree(children);
        return found;
    }

    bool viewable(Window w) {
        XWindowAttributes a{};
        return XGetWindowAttributes(display_, w, &a) && a.map_state == IsViewable;
    }

    // Position among the root's children, bottom to top.
    int stackingIndex(Window w) {
        Window rootReturn = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        int index = -1;
        XQueryTree(display_, root_, &rootReturn, &parent, &children, &count);
        for (unsigned int i = 0; i < count; ++i)
            if (children[i] == w) index = static_cast<int>(i);
        if (children) XFree(children);
        return index;
    }

    test::TempDir dir_;
    Display* display_ = nullptr;
    Window root_ = 0;
};

TEST_F(DisplayTest, WithoutWindowManagerTheClientIsMappedRaisedAndFocused) {
    test::RunningClient notes(data(), {"--minimized"});
    ASSERT_TRUE(notes.ready());
    Window client = 0;
    ASSERT_TRUE(eventually([&] { return (client = clientWindow(notes.process().processId())); }));
    // Nothing iconifies a window without a window manager: take it off the
    // screen the way one would.
    XUnmapWindow(display_, client);
    XSync(display_, False);
    ASSERT_TRUE(eventually([&] { return !viewable(client); }));
    QWidget other;
    other.setWindowTitle("Autre fenêtre");
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));

    ASSERT_TRUE(bringWindowToFront("Lotus Notes"));
    EXPECT_TRUE(eventually([&] { return viewable(client); }));
    EXPECT_GT(stackingIndex(client), stackingIndex(static_cast<Window>(other.winId())));
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    EXPECT_EQ(focus, client);
}

TEST_F(DisplayTest, WindowManagerRestoresTheIconifiedClientAndMakesItActive) {
    const QString openbox = QStandardPaths::findExecutable("openbox");
    if (openbox.isEmpty()) GTEST_SKIP() << "openbox is not installed (scripts/install-deps.sh)";
    QProcess wm;
    wm.start(openbox, {"--sm-disable", "--config-file", QStringLiteral("/dev/null")});
    ASSERT_TRUE(eventually([&] {
        return cardinal(root_, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW) > 0 &&
               cardinal(root_, "_NET_ACTIVE_WINDOW", XA_WINDOW) >= 0;
    }));
    {
        test::RunningClient notes(data(), {"--minimized"});
        ASSERT_TRUE(notes.ready());
        Window client = 0;
        ASSERT_TRUE(
            eventually([&] { return (client = clientWindow(notes.process().processId())); }));
        const Atom wmState = XInternAtom(display_, "WM_STATE", False);
        ASSERT_TRUE(eventually([&] {
            return cardinal(client, "WM_STATE", wmState) == IconicState;
        })) << "started minimised, the window manager keeps it as an icon";
        EXPECT_FALSE(viewable(client));

        ASSERT_TRUE(bringWindowToFront("Lotus Notes"));
        EXPECT_TRUE(eventually([&] { return viewable(client); }));
        EXPECT_TRUE(eventually([&] {
            return cardinal(root_, "_NET_ACTIVE_WINDOW", XA_WINDOW) == static_cast<long>(client);
        }));
    }
    wm.terminate();
    wm.waitForFinished(10000);
}

}  // namespace
}  // namespace vantor
