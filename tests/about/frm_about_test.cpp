// The About box: its texts, its size and frame, and one box at a time.
#include "about/frm_about.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QScreen>

namespace vantor::test {
namespace {

TEST(FrmAbout, ShowsTitleVersionAndTheFixedDescriptionInAFixedDialogOfItsSize) {
    QWidget owner;
    frmAbout* about = montrerAPropos(&owner);
    ASSERT_EQ(about->screen()->logicalDotsPerInchX(), 96.0);

    EXPECT_EQ(about->windowTitle(), "About Vantor");
    EXPECT_EQ(about->lblTitle->text(), "Vantor");
    EXPECT_EQ(about->lblVersion->text(), "Version 1.2.0");
    const QString description = QStringLiteral(
        "Cette application permet d'afficher une popup dès qu'un nouveau message apparait dans "
        "une ou plusieurs boites aux lettres Lotus Notes et d'effectuer des recherches dans toute "
        "votre boite aux lettres. ");
    EXPECT_EQ(about->lblDescription->text(), description);
    EXPECT_EQ(description.size(), 200);

    // 5730 × 3165 twips at 15 twips a pixel, and the user cannot change it.
    EXPECT_EQ(about->size(), QSize(382, 211));
    EXPECT_EQ(about->minimumSize(), about->maximumSize());
    EXPECT_FALSE(about->windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(about->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(about->isModal());
    const QRect zone = about->screen()->availableGeometry();
    EXPECT_EQ(about->frameGeometry().center(), zone.center());

    EXPECT_EQ(about->picIcon->pixmap().deviceIndependentSize(), QSizeF(16, 16));

    // The engraved separator: grey, and white one pixel under it, across the box.
    EXPECT_EQ(about->Line1[0]->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(about->Line1[1]->palette().color(QPalette::Window), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(about->Line1[0]->y(), about->Line1[1]->y() + 1);
    EXPECT_GT(about->Line1[1]->y(), about->lblDescription->geometry().bottom());
    for (const QFrame* line : about->Line1) {
        EXPECT_EQ(line->height(), 1);
        EXPECT_GT(line->width(), about->width() * 9 / 10);
    }
}

TEST(FrmAbout, OpeningAgainWhileOpenBringsTheSameBoxAndClosingDiscardsIt) {
    QWidget owner;
    QPointer<frmAbout> first = montrerAPropos(&owner);
    EXPECT_EQ(montrerAPropos(&owner), first.data());
    EXPECT_EQ(owner.findChildren<frmAbout*>().size(), 1);

    first->close();
    // Closed but not yet deleted: it does not come back.
    frmAbout* second = montrerAPropos(&owner);
    EXPECT_NE(second, first.data());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(owner.findChildren<frmAbout*>(), QList<frmAbout*>{second});
    EXPECT_EQ(second->lblVersion->text(), "Version 1.2.0");
}

}  // namespace
}  // namespace vantor::test
