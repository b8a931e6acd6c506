// Saving the settings window: the mailbox checks, the messages, the per-slot
// commands, and the field rules as the user types.
#include <gmock/gmock.h>

#include <QApplication>
#include <QKeyEvent>

#include "app_fixture.h"
#include "core/keys.h"
#include "core/password.h"

namespace vantor::test {
namespace {

using ::testing::HasSubstr;

class SaveTest : public AppFixture {
protected:
    void SetUp() override {
        ecrireIni("[PARAM]\r\nDELAI=15\r\n");
        demarrer();
        dialogs.shown.clear();
        w->txtPassLOTUS->setText("vantor");
    }
    void slot(int i, const QString& server, const QString& file, const QString& archive = {}) {
        w->txtServeur[i]->setText(server);
        w->TxtBAL[i]->setText(file);
        w->TxtBALArchive[i]->setText(archive);
    }
    // The refusal of slot i: its reason, which the log keeps too, on a line
    // of its own between the two lines of the message.
    void refus(const QString& texte, int i, const char* raison) {
        const QStringList lignes = texte.split(QStringLiteral("\r\n"));
        ASSERT_EQ(lignes.size(), 3) << texte.toStdString();
        EXPECT_EQ(lignes[0], QStringLiteral("Attention, la boite %1 :%2 n'est pas accessible.")
                                 .arg(i + 1)
                                 .arg(w->TxtBAL[i]->text()));
        EXPECT_THAT(lignes[1].toStdString(), HasSubstr(raison));
        EXPECT_EQ(lignes[2], QStringLiteral("Vous devez modifier vos paramètres."));
        EXPECT_THAT(journal().toStdString(),
                    HasSubstr((lignes[0] + ' ' + lignes[1]).toStdString()));
    }
};

TEST_F(SaveTest, AllEmptySavesEverythingAndHidesEverySlotCommand) {
    for (int i = 0; i < 5; ++i) slot(i, {}, {});
    w->mnu_rech_bal[0]->setText("avant");
    w->CmdSave_Click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Paramétres enregistrés"));
    EXPECT_FALSE(w->mnu_rechercher->menuAction()->isVisible());
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(w->CmdRecherche[i]->isHidden() && w->CmdArchive[i]->isHidden());
    EXPECT_EQ(w->mnu_rech_bal[0]->text(), "avant");  // slot 0's entries are left as they were
    for (const char* key : {"BAL_4", "SERVEUR_LOTUS_4", "BAL_ARCHIVE_4", "DATE_ARCHIVE_4", "AUTO",
                            "COULEUR", "HEIGHT", "WIDTH"}) {
        EXPECT_THAT(ini(), QHasSubstr(QByteArray(key) + "="));
    }
    EXPECT_EQ(m.lireParam("PASSWORD", "?"), CrypteMotDePasse("vantor").value());
}

TEST_F(SaveTest, OneUnreachableMailboxIsReportedAndStopsTheWatchTheOthersStillGetCommands) {
    tool.mailbox(kServer, "mail\\a.nsf");
    tool.mailbox(kServer, "mail\\b.nsf");
    slot(0, kServer, "mail\\a.nsf", "archive\\a.nsf");
    slot(1, kServer, "mail\\b.nsf");
    slot(2, kServer, "mail\\absente.nsf");
    w->TimerScan.start();
    w->hide();
    EXPECT_FALSE(w->SaveParam(true));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    refus(dialogs.shown[0].text, 2, "mail\\absente.nsf");
    EXPECT_EQ(dialogs.shown[0].title, "ERREUR");
    EXPECT_FALSE(w->TimerScan.isActive());
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->CmdArchive[0]->isHidden());
    EXPECT_FALSE(w->CmdRecherche[1]->isHidden());
    EXPECT_TRUE(w->CmdArchive[1]->isHidden());  // no archive database
    EXPECT_EQ(w->mnu_rech_bal[1]->text(), "mail\\b.nsf");
    EXPECT_TRUE(w->CmdRecherche[2]->isHidden());
    EXPECT_FALSE(w->mnu_rech_bal[2]->isVisible());
}

TEST_F(SaveTest, LocalInCapitalsIsThisMachineAndAWrongPasswordFailsEveryMailbox) {
    tool.mailbox(QString(), "mail\\ici.nsf");
    slot(0, "LOCAL", "mail\\ici.nsf");
    w->CmdSave_Click();
    EXPECT_EQ(dialogs.count("SAUVEGARDE"), 1);

    dialogs.shown.clear();
    tool.mailbox(kServer, "mail\\a.nsf");
    slot(1, kServer, "mail\\a.nsf");
    w->txtPassLOTUS->setText("faux");
    w->CmdSave_Click();
    ASSERT_EQ(dialogs.count("ERREUR"), 2);
    refus(dialogs.shown[0].text, 0, "Mot de passe incorrect");
    refus(dialogs.shown[1].text, 1, "Mot de passe incorrect");
}

TEST_F(SaveTest, EmptyPasswordIsAskedAndNotStored) {
    tool.mailbox(kServer, "mail\\a.nsf");
    slot(0, kServer, "mail\\a.nsf");
    w->txtPassLOTUS->clear();
    dialogs.inputAnswers = {"vantor"};
    EXPECT_TRUE(w->SaveParam(true));
    ASSERT_EQ(dialogs.count("ACCES A LOTUS"), 1);
    EXPECT_EQ(m.MotDePasse, "vantor");
    EXPECT_EQ(m.lireParam("PASSWORD", "?"), "");
}

TEST_F(SaveTest, PasswordThatCannotBeScrambledKeepsTheStoredOneAndSaysSo) {
    w->SaveParam(false);
    const QString stored = m.lireParam("PASSWORD", "?");
    w->txtPassLOTUS->setText(QString("ab") + QChar(0xFA));
    dialogs.shown.clear();
    w->CmdSave_Click();
    EXPECT_EQ(m.lireParam("PASSWORD", "?"), stored);
    EXPECT_EQ(m.MotDePasse, "vantor");
    EXPECT_EQ(dialogs.count("SAUVEGARDE"), 0);
    EXPECT_THAT(journal(), QHasSubstr("Mot de passe non enregistré"));
}

TEST_F(SaveTest, SaveStillWorksWhenTheMailClientHasNoUser) {
    // No identity in the store: sessions fail; every mailbox is reported, every key written.
    slot(0, kServer, "mail\\a.nsf");
    w->txtCouleur->setText("123456");
    EXPECT_FALSE(w->SaveParam(false));
    EXPECT_EQ(dialogs.count("ERREUR"), 1);
    EXPECT_EQ(m.lireParam("COULEUR", "?"), "123456");
    EXPECT_EQ(m.lireParam("SERVEUR_LOTUS_0", "?"), kServer);
}

TEST_F(SaveTest, ServerFieldShowsAWholeServerAddressWithoutScrolling) {
    const QString adresse =
        QStringLiteral("imaps://jean.dupont%40example.com@mail.example.com:993");
    w->show();
    QLineEdit* serveur = w->txtServeur[4];
    serveur->setText(adresse);
    serveur->end(false);
    serveur->grab();  // the line edit scrolls its text as it paints
    // Scrolled, the text would leave the cursor short of its full width.
    EXPECT_GE(serveur->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x(),
              serveur->fontMetrics().horizontalAdvance(adresse));
}

void taper(QWidget* w, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
}

TEST_F(SaveTest, FieldRulesAsTheUserTypes) {
    w->TxtHeight->setText("12");
    w->TxtHeight->setFocus();
    w->TxtHeight->end(false);
    taper(w->TxtHeight, Qt::Key_Backspace);
    taper(w->TxtHeight, Qt::Key_Backspace);
    EXPECT_EQ(w->TxtHeight->text(), "2325");  // emptied: put back at once
    w->TxtWidth->selectAll();
    taper(w->TxtWidth, Qt::Key_Minus, "-");
    EXPECT_EQ(w->TxtWidth->text(), "8470");  // a minus sign alone is no number
    w->TxtWidth->setText("1,5e3");
    EXPECT_EQ(w->TxtWidth->text(), "1,5e3");

    w->txtCouleur->clear();
    for (QChar c : QStringLiteral("FF8000")) taper(w->txtCouleur, Qt::Key_A, c);
    EXPECT_EQ(w->couleurFond(), QColor(255, 128, 0));
    // The key-down preview uses the text before the key: a key that changes nothing still shows it.
    w->txtCouleur->setText("zz");
    EXPECT_EQ(w->couleurFond(), QColor(0, 0, 0));
}

}  // namespace
}  // namespace vantor::test
