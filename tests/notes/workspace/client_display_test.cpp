// The client started minimised on a real X display: bringing "Lotus Notes" to
// the front finds its window, maps it, raises it and gives it the focus.
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include "notes/store/store_admin.h"
#include "platform/gui/window_finder.h"
#include "support/running_client.h"
#include "support/temp_dir.h"

// Xlib last: its macros (None, Bool, Status...) clash with Qt's names.
#include <X11/Xlib.h>

namespace vantor {
namespace {

class DisplayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr) << "no X display";
        store::StoreAdmin(data()).setUser("Jean Dupont/Vantor", "x", QString(),
                                          QStringLiteral("mail\\jdupont.nsf"));
    }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
    }
    QString data() const { return dir_.file("notesdata"); }

    // The root's children, bottom to top.
    std::vector<Window> topLevel() {
        Window rootReturn = 0, parent = 0, *children = nullptr;
        unsigned int count = 0;
        XSync(display_, False);
        XQueryTree(display_, DefaultRootWindow(display_), &rootReturn, &parent, &children, &count);
        std::vector<Window> out(children, children + count);
        if (children) XFree(children);
        return out;
    }

    // The client's window, the only one titled "Lotus Notes".
    Window clientWindow() {
        for (Window w : topLevel()) {
            char* name = nullptr;
            const bool found = XFetchName(display_, w, &name) && name &&
                               QString::fromLocal8Bit(name) == QLatin1String("Lotus Notes");
            if (name) XFree(name);
            if (found) return w;
        }
        return 0;
    }

    bool viewable(Window w) {
        XWindowAttributes a{};
        return XGetWindowAttributes(display_, w, &a) && a.map_state == IsViewable;
    }

    test::TempDir dir_;
    Display* display_ = nullptr;
};

TEST_F(DisplayTest, WithoutWindowManagerTheClientIsMappedRaisedAndFocused) {
    test::RunningClient notes(data(), {"--minimized"});
    ASSERT_TRUE(notes.ready());
    Window client = 0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (client = clientWindow()); }, 30000));
    // Nothing iconifies a window without a window manager: take it off the
    // screen the way one would.
    XUnmapWindow(display_, client);
    XSync(display_, False);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !viewable(client); }, 30000));
    QWidget other;
    other.setWindowTitle("Autre fenêtre");
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));

    ASSERT_TRUE(bringWindowToFront("Lotus Notes"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return viewable(client); }, 30000));
    const std::vector<Window> stack = topLevel();  // bottom to top
    EXPECT_GT(std::find(stack.begin(), stack.end(), client),
              std::find(stack.begin(), stack.end(), static_cast<Window>(other.winId())));
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    EXPECT_EQ(focus, client);
}

}  // namespace
}  // namespace vantor
