// The message and input boxes as the user sees them: French buttons whatever the
// locale, each style's buttons, icon and answers, by mouse or keyboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include "platform/failure.h"
#include "platform/gui/qt_dialogs.h"
#include "platform/gui/qt_translations.h"

namespace vantor::test {
namespace {

// Acts on the next modal box once it is on screen, as the user would.
void quandBoiteOuverte(std::function<void(QWidget*)> agir) {
    QTimer::singleShot(0, [agir] {
        if (QWidget* box = QApplication::activeModalWidget()) agir(box);
    });
}

QString texte(QAbstractButton* b) {
    return b ? b->text().remove(QLatin1Char('&')) : QString();
}

class FrenchDialogs : public ::testing::Test {
  protected:
    // An English-speaking user: the boxes must read in French all the same.
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        fr.reset(installFrenchQtTranslations(*QCoreApplication::instance()));
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    std::unique_ptr<QTranslator> fr;
    QtDialogs dialogs;
};

// Each style: its icon, its buttons read in French, its default (what Enter
// takes), the one clicked answered. Texts from mail are never read as markup.
TEST_F(FrenchDialogs, MessageBoxStylesGiveTheirIconFrenchButtonsAndAnswers) {
    const std::tuple<int, QMessageBox::Icon, QMessageBox::StandardButton, int> styles[] = {
        {msg::kCritical, QMessageBox::Critical, QMessageBox::Ok, msg::kOk},
        {msg::kExclamation, QMessageBox::Warning, QMessageBox::Ok, msg::kOk},
        {msg::kInformation, QMessageBox::Information, QMessageBox::Ok, msg::kOk},
        {msg::kYesNoCancelDefaultNo, QMessageBox::NoIcon, QMessageBox::Yes, msg::kYes},
        {msg::kYesNoCancelDefaultNo, QMessageBox::NoIcon, QMessageBox::No, msg::kNo}};
    for (const auto& [style, icone, bouton, reponse] : styles) {
        QStringList vu;
        quandBoiteOuverte([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            for (QAbstractButton* b : box->buttons()) vu << texte(b);
            vu.sort();
            vu << texte(box->defaultButton()) << QString::number(box->icon())
               << QString::number(box->findChild<QLabel*>("qt_msgbox_label")->textFormat())
               << box->text();
            box->button(bouton)->click();
        });
        EXPECT_EQ(dialogs.msgBox("Supprimer <b>la base</b> ?\r\nVraiment ?", style, "ARCHIVAGE"),
                  reponse);
        QStringList attendu = style == msg::kYesNoCancelDefaultNo
                                  ? QStringList{"Annuler", "Non", "Oui", "Non"}
                                  : QStringList{"OK", "OK"};
        attendu << QString::number(icone) << QString::number(Qt::PlainText)
                << "Supprimer <b>la base</b> ?\nVraiment ?";  // line breaks as typed
        EXPECT_EQ(vu, attendu);
    }
    quandBoiteOuverte([](QWidget* box) { box->close(); });
    EXPECT_EQ(dialogs.msgBox("Supprimer ?", msg::kYesNoCancelDefaultNo, "ARCHIVAGE"), msg::kCancel);
}

TEST_F(FrenchDialogs, InputBoxReadsOkAndAnnulerAndGivesTheTypedTextOrNothing) {
    quandBoiteOuverte([](QWidget* box) {
        box->findChild<QLineEdit*>()->setText("Budget 2024");
        QTest::keyClick(box->findChild<QLineEdit*>(), Qt::Key_Return);
    });
    EXPECT_EQ(dialogs.inputBox("Saisissez la phrase à rechercher:", "RECHERCHER", "ancien"),
              "Budget 2024");

    QStringList boutons;
    quandBoiteOuverte([&](QWidget* box) {
        auto* rangee = box->findChild<QDialogButtonBox*>();
        for (auto b : {QDialogButtonBox::Ok, QDialogButtonBox::Cancel})
            boutons << texte(rangee->button(b));
        rangee->button(QDialogButtonBox::Cancel)->click();
    });
    EXPECT_EQ(dialogs.inputBox(QStringLiteral("Mot de passe LOTUS"),
                               QStringLiteral("ACCES A LOTUS"), QStringLiteral("ancien")),
              QString());
    EXPECT_EQ(boutons, QStringList({"OK", "Annuler"}));
}

TEST(QtTranslations, AMissingCatalogueIsAFailureAndLeavesQtAsItWas) {
    EXPECT_THROW(installFrenchQtTranslations(*QCoreApplication::instance(),
                                             QStringLiteral("/nonexistent/translations")),
                 Failure);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

}  // namespace
}  // namespace vantor::test
