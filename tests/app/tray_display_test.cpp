// The tray icon on a real X display: it docks in the tray host and its
// tooltip shows as the user hovers it. And a notification area that comes
// after Vantor (an X11 tray manager, or a StatusNotifierItem host on the
// session bus), each run on a display that starts without a tray host, in a
// process of its own; elsewhere they report themselves skipped.
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
    QString bulleSurvolee() {
        const QRect ecran = QGuiApplication::primaryScreen()->geometry();
        return tooltipAt(icone()->geometry().center(), {ecran.center().x(), ecran.bottom() - 80});
    }
};

TEST_F(TrayDisplayTest, IconDocksAndItsTooltipTellsTheWatchStateAsTheUserSeesIt) {
    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 5000));
    boiteJoignable();
    demarrer();

    // Minimised (a change of state alone, as the window manager reports it)
    // before any Go: the icon comes, and does not pretend to watch.
    w->showMaximized();
    w->setWindowState(w->windowState() | Qt::WindowMinimized);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dansLaZone(); }, 10000));
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(bulleSurvolee(), QStringLiteral("Vantor - surveillance non lancée"));
}

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
    const qsizetype slash = item.indexOf(u'/');
    QDBusMessage activate = QDBusMessage::createMethodCall(
        slash < 0 ? item : item.left(slash),
        slash < 0 ? QStringLiteral("/StatusNotifierItem") : item.mid(slash),
        QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"));
    activate << 0 << 0;
    ASSERT_TRUE(QDBusConnection::sessionBus().send(activate));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w->isVisible() && w->windowState() == Qt::WindowNoState; }, 5000));
}

}  // namespace
}  // namespace vantor::test
