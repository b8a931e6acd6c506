// The About box: its texts, a fixed modeless box, and one box at a time.
#include "about/frm_about.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>

namespace vantor::test {
namespace {

TEST(FrmAbout, ShowsTitleVersionAndTheFixedDescriptionInAFixedModelessCentredBox) {
    QWidget owner;
    frmAbout* about = montrerAPropos(&owner);

    EXPECT_EQ(about->windowTitle(), "About Vantor");
    EXPECT_EQ(about->lblVersion->text(), "Version 1.2.0");
    EXPECT_TRUE(about->lblDescription->text().startsWith("Cette application permet d'afficher"));
    EXPECT_EQ(about->minimumSize(), about->maximumSize());  // the user cannot change its size
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->frameGeometry().center(), about->screen()->availableGeometry().center());
}

TEST(FrmAbout, OpeningAgainWhileOpenBringsTheSameBoxAndClosingDiscardsIt) {
    QWidget owner;
    QPointer<frmAbout> first = montrerAPropos(&owner);
    EXPECT_EQ(montrerAPropos(&owner), first.data());

    first->close();
    // Closed but not yet deleted: it does not come back.
    frmAbout* second = montrerAPropos(&owner);
    EXPECT_NE(second, first.data());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(owner.findChildren<frmAbout*>(), QList<frmAbout*>{second});
}

}  // namespace
}  // namespace vantor::test
