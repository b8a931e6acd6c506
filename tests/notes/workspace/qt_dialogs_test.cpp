#include "platform/gui/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

namespace vantor {
namespace {

// Acts on the next modal box once it is on screen, as the user would.
void whenBoxShows(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        if (QWidget* box = QApplication::activeModalWidget()) act(box);
    });
}

TEST(QtDialogs, AnswersFollowTheButtonsOfTheStyle) {
    QtDialogs dialogs;
    QString shownText;
    whenBoxShows([&](QWidget* box) {
        shownText = qobject_cast<QMessageBox*>(box)->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(dialogs.msgBox("Archiver ?\r\nLes documents seront copiés.",
                             msg::kYesNoCancelDefaultNo, "ARCHIVAGE"),
              msg::kNo)
        << "Enter takes the default button, No";
    EXPECT_EQ(shownText, "Archiver ?\nLes documents seront copiés.");

    whenBoxShows([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.msgBox("Archiver ?", msg::kYesNoCancelDefaultNo, "ARCHIVAGE"), msg::kCancel);

    whenBoxShows([](QWidget* box) { box->close(); });
    EXPECT_EQ(dialogs.msgBox("Archiver ?", msg::kYesNoCancelDefaultNo, "ARCHIVAGE"), msg::kCancel);

    whenBoxShows([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.msgBox("Aucun document trouvé", msg::kInformation, "RECHERCHE TERMINEE"),
              msg::kOk);
}

TEST(QtDialogs, InputBoxGivesTheTypedTextOrNothingOnCancel) {
    QtDialogs dialogs;
    whenBoxShows([](QWidget* box) {
        auto* edit = box->findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClicks(edit, "Budget 2024");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(dialogs.inputBox("Saisissez la phrase à rechercher:", "RECHERCHER", "ancien"),
              "Budget 2024");

    whenBoxShows([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.inputBox("Mot de passe LOTUS", "ACCES A LOTUS", "ancien"), "");
}

}  // namespace
}  // namespace vantor
