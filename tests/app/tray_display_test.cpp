// A notification area (X11 tray manager, StatusNotifierItem host) that comes after
// Vantor, each on a display of its own without one; skipped elsewhere.
#include <QtCore/qtestsupport_core.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QScreen>
#include <QTimer>

#include "app/systray.h"
#include "app_fixture.h"
#include "platform/gui/notification_area.h"
#include "support/real_pointer.h"
#include "support/status_notifier_watcher.h"

namespace vantor::test {
namespace {

class TrayDisplayTest : public AppFixture {
  protected:
    QSystemTrayIcon* icone() { return w->systray()->icone(); }
    // Docked: the tray host has taken the icon into its panel at the bottom of the screen.
    bool dansLaZone() {
        const QRect ecran = QGuiApplication::primaryScreen()->geometry();
        return icone() && ecran.contains(icone()->geometry()) &&
               icone()->geometry().bottom() >= ecran.bottom() - 30;
    }
    // The watch started while no notification area is there: the window
    // stays in the taskbar, minimised, and the log says so once.
    void lancerSansZone() {
        boiteJoignable();
        demarrer();
        w->show();
        w->CmdGO_Click();
        ASSERT_FALSE(w->systray()->iconePresente());
        EXPECT_TRUE(w->isMinimized());
        EXPECT_EQ(journal().count(QStringLiteral("Zone de notification indisponible")), 1);
    }
};

TEST_F(TrayDisplayTest, LateTrayManagerTakesTheIconAndTheWatchingWindowHidesToIt) {
    if (NotificationArea().available()) GTEST_SKIP() << "a tray host is there from the start";
    lancerSansZone();

    // The panel's tray comes 10 s after Vantor.
    QProcess trayer;
    QTimer::singleShot(10000, [&] {
        trayer.start(QStringLiteral("trayer"), {"--edge", "bottom", "--align", "right",
                                                "--widthtype", "request", "--height", "24"});
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return dansLaZone(); }, 60000));
    EXPECT_FALSE(w->isVisible());

    // The icon works: a real left click brings the window back.
    ASSERT_TRUE(clickAt(icone()->geometry().center()));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w->isVisible() && w->windowState() == Qt::WindowNoState; }, 5000));
    trayer.terminate();
    trayer.waitForFinished(10000);
}

TEST_F(TrayDisplayTest, LateStatusNotifierHostTakesTheIconAndTheWatchingWindowHidesToIt) {
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
    if (NotificationArea().available()) GTEST_SKIP() << "a tray host is there from the start";
    StatusNotifierWatcher watcher;  // the panel's watcher is up, its tray not yet
    ASSERT_TRUE(watcher.start());
    lancerSansZone();

    watcher.registerHost();
    // The icon publishes itself with the watcher, and the window hides to it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !watcher.items().isEmpty(); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, 5000));

    // The host activates the item as the user's click does: the window comes back.
    const QString item = watcher.items().constFirst();
    const qsizetype slash = item.contains(u'/') ? item.indexOf(u'/') : item.size();
    QDBusMessage activate = QDBusMessage::createMethodCall(
        item.left(slash), slash < item.size() ? item.mid(slash) : "/StatusNotifierItem",
        "org.kde.StatusNotifierItem", "Activate");
    activate << 0 << 0;
    ASSERT_TRUE(QDBusConnection::sessionBus().send(activate));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w->isVisible() && w->windowState() == Qt::WindowNoState; }, 5000));
}

}  // namespace
}  // namespace vantor::test
