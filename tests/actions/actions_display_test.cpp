// The folder menu on a real X display: it opens under the mouse and lets the
// user walk into a submenu with the real pointer and choose with either button.
#include <QToolButton>
#include <QWindow>

#include "actions_fixture.h"
#include "menu_driver.h"
#include "support/real_pointer.h"

namespace vantor::test {
namespace {

QPoint centre(QMenu& menu, QAction* a) {
    return menu.mapToGlobal(menu.actionGeometry(a).center());
}
bool expose(QWidget* w) {
    return QTest::qWaitFor([w] { return w->windowHandle() && w->windowHandle()->isExposed(); },
                           15000);
}

class ActionsDisplayTest : public ActionsFixture {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs a real X display";
        // The countdown must not close the popup while the mouse travels.
        popup->TimerCloseAuto->setInterval(60000);
    }
};

TEST_F(ActionsDisplayTest, FolderMenuOpensUnderTheMouseAndTheRightButtonChoosesInASubmenu) {
    for (const char* f : {"A", "A\\B", "D"}) admin.createFolder(kServer, kMailbox, f);
    m.ServeurBAL = kServer;
    ChargeDossiers(m, listes, 0);
    const QString classe = livre("classé");
    presente(classe);
    ASSERT_TRUE(expose(popup.get()));

    const QPoint bouton = popup->CmdFolders->mapToGlobal(popup->CmdFolders->rect().center());
    QPoint coinMenu;
    bool sousMenuVu = false;
    quandMenuOuvert([&](QMenu& racine) {
        if (!expose(&racine)) return;
        coinMenu = racine.geometry().topLeft();
        QAction* a = entree(racine, "A");
        pointerTo(centre(racine, a));
        sousMenuVu = expose(a->menu());
        // The right button chooses too.
        if (sousMenuVu) clickAt(centre(*a->menu(), entree(*a->menu(), "B")), 3);
    });
    ASSERT_TRUE(clickAt(bouton));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !popup->isVisible(); }, 15000));
    EXPECT_TRUE(sousMenuVu);
    // Under the mouse: its left edge at the pointer (it may be lifted to fit the screen).
    EXPECT_EQ(coinMenu.x(), bouton.x());
    EXPECT_EQ(dansDossier("A\\B"), QStringList{classe});
}

}  // namespace
}  // namespace vantor::test
