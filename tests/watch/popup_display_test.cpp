// The popup on a real X display: it never takes the focus from the window
// the user types in, yet its picture buttons show their tooltips.
#include <QtCore/qtestsupport_core.h>

#include <QLineEdit>
#include <QToolButton>

#include "popup_fixture.h"
#include "support/real_pointer.h"
#include "watch/affiche_popup.h"
#include "watch/frm_msg.h"

namespace vantor::test {
namespace {

TEST_F(PopupFixture, ButtonsOfTheInactivePopupShowTheirTooltipsWithoutTakingTheFocus) {
    QLineEdit saisie;
    saisie.setWindowTitle(QStringLiteral("Saisie en cours"));
    saisie.setGeometry(400, 100, 300, 30);
    saisie.show();
    saisie.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &saisie; }, 5000));

    FrmMsg f(m);
    f.CmdPJ->setVisible(true);
    AffichePopup(m, f);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return f.isVisible() && !f.visibleRegion().isEmpty(); }, 5000));
    const QPoint ailleurs = saisie.geometry().center();

    for (QToolButton* b : {f.CmdOpen, f.CmdFollow[0], f.CmdFollow[1], f.CmdFollow[2], f.CmdDel,
                           f.CmdPJ, f.CmdFermer}) {
        f.relanceTimerFermeture();
        EXPECT_EQ(tooltipAt(b->mapToGlobal(b->rect().center()), ailleurs), b->toolTip());
        EXPECT_EQ(QApplication::activeWindow(), &saisie) << b->toolTip().toStdString();
    }
    EXPECT_FALSE(f.isActiveWindow());
    EXPECT_TRUE(saisie.hasFocus());
}

}  // namespace
}  // namespace vantor::test
