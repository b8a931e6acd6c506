// The folder menu on a real X display: it opens under the mouse and lets the
// user walk into a submenu with the real pointer and choose with either button.
#include <QElapsedTimer>
#include <QProcess>
#include <QToolButton>
#include <QWindow>

#include "actions_fixture.h"
#include "menu_driver.h"

namespace vantor::test {
namespace {

// Lets window events run until `condition` holds; false after 15 s without.
bool attendreQue(const std::function<bool()>& condition) {
    QElapsedTimer depuis;
    depuis.start();
    while (!condition()) {
        if (depuis.elapsed() > 15000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void xdotool(const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute("xdotool", arguments), 0);
}

void versPoint(QPoint ecran) {
    xdotool({"mousemove", "--sync", QString::number(ecran.x()), QString::number(ecran.y())});
}
void cliqueEn(QPoint ecran) {
    versPoint(ecran);
    xdotool({"click", "1"});
}
QPoint centre(QWidget* w) {
    return w->mapToGlobal(w->rect().center());
}
QPoint centre(QMenu& menu, QAction* a) {
    return menu.mapToGlobal(menu.actionGeometry(a).center());
}

class ActionsDisplayTest : public ActionsFixture {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs a real X display";
        // The countdown must not close the popup while the mouse travels.
        popup->TimerCloseAuto->setInterval(60000);
    }
    void montre(const QString& unid) {
        presente(unid);
        ASSERT_TRUE(attendreQue(
            [this] { return popup->windowHandle() && popup->windowHandle()->isExposed(); }));
    }
};

TEST_F(ActionsDisplayTest, FolderMenuOpensUnderTheMouseAndTheRightButtonChoosesInASubmenu) {
    for (const char* f : {"A", "A\\B", "D"}) admin.createFolder(kServer, kMailbox, f);
    m.ServeurBAL = kServer;
    ChargeDossiers(m, listes, 0);
    const QString classe = livre("classé");
    montre(classe);

    const QPoint bouton = centre(popup->CmdFolders);
    QPoint coinMenu;
    bool sousMenuVu = false;
    quandMenuOuvert([&](QMenu& racine) {
        if (!attendreQue([&] { return racine.isVisible() && racine.windowHandle()->isExposed(); }))
            return;
        coinMenu = racine.geometry().topLeft();
        QAction* a = entree(racine, "A");
        versPoint(centre(racine, a));
        QMenu* sous = a->menu();
        sousMenuVu =
            attendreQue([&] { return sous->isVisible() && sous->windowHandle()->isExposed(); });
        if (!sousMenuVu) return;
        // The right button chooses too.
        versPoint(centre(*sous, entree(*sous, "B")));
        xdotool({"click", "3"});
    });
    cliqueEn(bouton);
    ASSERT_TRUE(attendreQue([this] { return !popup->isVisible(); }));
    EXPECT_TRUE(sousMenuVu);
    // Under the mouse: its left edge at the pointer (it may be lifted to fit the screen).
    EXPECT_EQ(coinMenu.x(), bouton.x());
    EXPECT_EQ(dansDossier("A\\B"), QStringList{classe});
    EXPECT_EQ(journal(), "");
}

}  // namespace
}  // namespace vantor::test
