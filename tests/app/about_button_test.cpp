// The About button of the settings window.
#include "about/frm_about.h"
#include "app_fixture.h"

namespace vantor::test {
namespace {

using AboutButtonTest = AppFixture;

TEST_F(AboutButtonTest, TheButtonShowsOneModelessAboutBoxHoweverOftenItIsPressed) {
    demarrer();
    w->show();
    w->CmdApropos->click();
    w->CmdApropos->click();
    const auto boxes = w->findChildren<frmAbout*>();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0]->isVisible());
    EXPECT_FALSE(boxes[0]->isModal());
    EXPECT_TRUE(w->isEnabled());
}

}  // namespace
}  // namespace vantor::test
