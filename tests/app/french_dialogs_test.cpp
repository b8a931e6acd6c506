// The program's message and input boxes as the user sees them: Qt's own
// buttons in French whatever the locale, the platform's styles mapped to the
// right buttons, icon and answers, with the mouse or the keyboard.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <functional>
#include <memory>

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

TEST_F(FrenchDialogs, MessageBoxStylesGiveTheirIconFrenchButtonsAndAnswers) {
    const std::pair<int, QMessageBox::Icon> avecOk[] = {
        {msg::kCritical, QMessageBox::Critical},
        {msg::kExclamation, QMessageBox::Warning},
        {msg::kInformation, QMessageBox::Information}};
    for (const auto& [style, icone] : avecOk) {
        QMessageBox::Icon vue = QMessageBox::NoIcon;
        QStringList boutons;
        quandBoiteOuverte([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            vue = box->icon();
            for (QAbstractButton* b : box->buttons()) boutons << texte(b);
            box->close();
        });
        EXPECT_EQ(
            dialogs.msgBox(QStringLiteral("Date incorrecte."), style, QStringLiteral("ERREUR")),
            msg::kOk);
        EXPECT_EQ(vue, icone) << style;
        EXPECT_EQ(boutons, QStringList{QStringLiteral("OK")}) << style;
    }

    // 259: Oui, Non, Annuler, Non by default, no icon; closing is Annuler.
    const std::pair<QMessageBox::StandardButton, int> reponses[] = {{QMessageBox::Yes, msg::kYes},
                                                                    {QMessageBox::No, msg::kNo}};
    for (const auto& [bouton, reponse] : reponses) {
        QStringList vu;
        quandBoiteOuverte([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            for (auto b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                vu << texte(box->button(b));
            vu << texte(box->defaultButton()) << QString::number(box->icon())
               << QString::number(
                      box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->textFormat());
            box->button(bouton)->click();
        });
        EXPECT_EQ(
            dialogs.msgBox(QStringLiteral("Supprimer les documents de <b>la base</b> source ?"),
                           msg::kYesNoCancelDefaultNo, QStringLiteral("ARCHIVAGE")),
            reponse);
        // Texts from mail are never read as markup.
        EXPECT_EQ(vu,
                  QStringList({"Oui", "Non", "Annuler", "Non", QString::number(QMessageBox::NoIcon),
                               QString::number(Qt::PlainText)}));
    }
    quandBoiteOuverte([](QWidget* box) { box->close(); });
    EXPECT_EQ(dialogs.msgBox(QStringLiteral("Supprimer ?"), msg::kYesNoCancelDefaultNo,
                             QStringLiteral("ARCHIVAGE")),
              msg::kCancel);
}

void touche(QWidget* w, int key) {
    QKeyEvent appui(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &appui);
}

TEST_F(FrenchDialogs, KeyboardAnswersFollowTheStyleAndLineBreaksShowAsTyped) {
    QString montre;
    quandBoiteOuverte([&](QWidget* box) {
        montre = qobject_cast<QMessageBox*>(box)->text();
        touche(box, Qt::Key_Return);
    });
    EXPECT_EQ(dialogs.msgBox("Archiver ?\r\nLes documents seront copiés.",
                             msg::kYesNoCancelDefaultNo, "ARCHIVAGE"),
              msg::kNo)
        << "Enter takes the default button, Non";
    EXPECT_EQ(montre, "Archiver ?\nLes documents seront copiés.");
    quandBoiteOuverte([](QWidget* box) { touche(box, Qt::Key_Escape); });
    EXPECT_EQ(dialogs.msgBox("Aucun document trouvé", msg::kInformation, "RECHERCHE TERMINEE"),
              msg::kOk);
}

TEST_F(FrenchDialogs, InputBoxReadsOkAndAnnulerAndGivesTheTypedTextOrNothing) {
    quandBoiteOuverte([](QWidget* box) {
        auto* saisie = box->findChild<QLineEdit*>();
        saisie->selectAll();
        saisie->insert(QStringLiteral("Budget 2024"));
        touche(saisie, Qt::Key_Return);
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
