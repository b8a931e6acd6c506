// Saving the settings window: the mailbox checks, the messages, the per-slot
// commands, and the field rules as the user types.
#include <gmock/gmock.h>

#include <QTest>

#include "app_fixture.h"

namespace vantor::test {
namespace {

using namespace ::testing;

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
    // The refusal of slot i: its reason, which the log keeps too, between
    // the two lines of the message.
    void refus(const QString& texte, int i, const char* raison) {
        const QString tete = QStringLiteral("Attention, la boite %1 :%2 n'est pas accessible.\r\n")
                                 .arg(i + 1)
                                 .arg(w->TxtBAL[i]->text());
        const QString fin = QStringLiteral("\r\nVous devez modifier vos paramètres.");
        EXPECT_THAT(texte.toStdString(), AllOf(StartsWith(tete.toStdString()), HasSubstr(raison),
                                               EndsWith(fin.toStdString())));
        EXPECT_THAT(journal(), QHasSubstr(QString(texte).remove(fin).replace("\r\n", " ")));
    }
};

TEST_F(SaveTest, AllEmptySavesEverythingAndHidesEverySlotCommand) {
    for (int i = 0; i < 5; ++i) slot(i, {}, {});
    w->mnu_rech_bal[0]->setText("avant");
    w->CmdSave_Click();
    EXPECT_EQ(dialogs.shown.at(0).text, QStringLiteral("Paramétres enregistrés"));
    EXPECT_FALSE(w->mnu_rechercher->menuAction()->isVisible());
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(w->CmdRecherche[i]->isHidden() && w->CmdArchive[i]->isHidden());
    EXPECT_EQ(w->mnu_rech_bal[0]->text(), "avant");       // slot 0's entries are left as they were
    EXPECT_THAT(ini(), QHasSubstr("\nDATE_ARCHIVE_4="));  // every key, to the last slot
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
    EXPECT_EQ(dialogs.count("ERREUR"), 1);
    refus(dialogs.shown.at(0).text, 2, "mail\\absente.nsf");
    EXPECT_TRUE(!w->TimerScan.isActive() && w->isVisible());
    // Slot 1 has no archive database; slot 2 gets no command.
    EXPECT_FALSE(w->CmdArchive[0]->isHidden() || w->CmdRecherche[1]->isHidden());
    EXPECT_TRUE(w->CmdArchive[1]->isHidden() && w->CmdRecherche[2]->isHidden());
    EXPECT_EQ(w->mnu_rech_bal[1]->text(), "mail\\b.nsf");
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
    for (int i : {0, 1}) refus(dialogs.shown[i].text, i, "Mot de passe incorrect");
}

TEST_F(SaveTest, EmptyPasswordIsAskedAndNotStored) {
    tool.mailbox(kServer, "mail\\a.nsf");
    slot(0, kServer, "mail\\a.nsf");
    w->txtPassLOTUS->clear();
    dialogs.inputAnswers = {"vantor"};
    EXPECT_TRUE(w->SaveParam(true));
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
    EXPECT_THAT(journal(), QHasSubstr("Mot de passe non enregistré"));
}

TEST_F(SaveTest, SaveStillWorksWhenTheMailClientHasNoUser) {
    // No identity in the store: sessions fail; every mailbox is reported, every key written.
    slot(0, kServer, "mail\\a.nsf");
    w->txtCouleur->setText("123456");
    EXPECT_FALSE(w->SaveParam(false));
    EXPECT_EQ(m.lireParam("COULEUR", "?"), "123456");
    EXPECT_EQ(m.lireParam("SERVEUR_LOTUS_0", "?"), kServer);
}

TEST_F(SaveTest, ServerFieldShowsAWholeServerAddressWithoutScrolling) {
    const QString adresse =
        QStringLiteral("imaps://jean.dupont%40example.com@mail.example.com:993");
    w->show();
    QLineEdit* serveur = w->txtServeur[4];  // the last, nearest the window's edge
    serveur->setText(adresse);
    serveur->end(false);
    serveur->grab();  // the line edit scrolls its text as it paints
    // Scrolled, the text would leave the cursor short of its full width.
    EXPECT_GE(serveur->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x(),
              serveur->fontMetrics().horizontalAdvance(adresse));
}

TEST_F(SaveTest, FieldRulesAsTheUserTypes) {
    w->TxtHeight->setText("12");
    w->TxtHeight->setFocus();
    w->TxtHeight->end(false);
    QTest::keyClick(w->TxtHeight, Qt::Key_Backspace);
    QTest::keyClick(w->TxtHeight, Qt::Key_Backspace);
    EXPECT_EQ(w->TxtHeight->text(), "2325");  // emptied: put back at once
    w->TxtWidth->selectAll();
    QTest::keyClick(w->TxtWidth, '-');
    EXPECT_EQ(w->TxtWidth->text(), "8470");  // a minus sign alone is no number
    w->TxtWidth->setText("1,5e3");
    EXPECT_EQ(w->TxtWidth->text(), "1,5e3");

    w->txtCouleur->clear();
    QTest::keyClicks(w->txtCouleur, "FF8000");
    EXPECT_EQ(w->couleurFond(), QColor(255, 128, 0));
    // The key-down preview uses the text before the key: a key that changes nothing still shows it.
    w->txtCouleur->setText("zz");
    EXPECT_EQ(w->couleurFond(), QColor(0, 0, 0));
}

}  // namespace
}  // namespace vantor::test
