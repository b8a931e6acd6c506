// The tray icon on a real X display with a tray host: it docks there, its
// tooltip tells the watch's state as the user hovers it, and a left click
// brings the window back in its normal state.
#include <QtCore/qtestsupport_core.h>

#include <QScreen>

#include "app/systray.h"
#include "app_fixture.h"
#include "support/real_pointer.h"

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
    QString bulleSurvolee() {
        const QRect ecran = QGuiApplication::primaryScreen()->geometry();
        return tooltipAt(icone()->geometry().center(), {ecran.center().x(), ecran.bottom() - 80});
    }
};

TEST_F(TrayDisplayTest, IconDocksAndItsTooltipTellsTheWatchStateAsTheUserSeesIt) {
    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 5000));
    boiteJoignable();
    demarrer();

    // Minimised before any Go: the icon comes, and does not pretend to watch.
    // As the window manager reports the user's minimise: a change of state alone.
    w->showMaximized();
    w->setWindowState(w->windowState() | Qt::WindowMinimized);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dansLaZone(); }, 10000));
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(bulleSurvolee(), QStringLiteral("Vantor - surveillance non lancée"));

    // A real left click brings the window back, neither minimised nor maximised.
    ASSERT_TRUE(clickAt(icone()->geometry().center()));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w->isVisible() && w->windowState() == Qt::WindowNoState; }, 5000))
        << int(w->windowState());

    w->CmdGO_Click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(bulleSurvolee(), QStringLiteral("Vantor"));

    w->TxtBAL[2]->setText(QStringLiteral("mail\\absente.nsf"));
    w->txtServeur[2]->setText(kServeur);
    w->CmdGO_Click();
    EXPECT_EQ(bulleSurvolee(),
              QStringLiteral("Vantor - surveillance arrêtée : la boîte 3 n'est pas accessible"));
    EXPECT_TRUE(dansLaZone());
}

}  // namespace
}  // namespace vantor::test
