// The commands act on the message on display, whatever rewrote the mailbox
// identity since it was presented, and delete or move hands the scan its flag.
#include <QMouseEvent>
#include <QTimer>

#include "actions_fixture.h"
#include "app/frm_lotus.h"
#include "menu_driver.h"
#include "watch/scan_bal.h"

namespace vantor::test {
namespace {

const QString kLyon = QStringLiteral("Lyon/Vantor");
const QString kAutre = QStringLiteral("mail\\autre.nsf");

void relache(QWidget* w) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent ev(type, QPointF(4, 4), QPointF(w->mapToGlobal(QPoint(4, 4))), Qt::LeftButton,
                       type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                       Qt::NoModifier);
        QApplication::sendEvent(w, &ev);
    }
}

class MessageIdentityTest : public ActionsFixture {
protected:
    void SetUp() override {
        admin.createFolder(kServer, kMailbox, "A\\B");
        admin.createServer(kLyon);
        autre = admin.createMailbox(kLyon, kAutre, {kUser});
        admin.createFolder(kLyon, kAutre, "Z");
    }
    std::shared_ptr<store::LocalDatabase> autre;
};

TEST_F(MessageIdentityTest, ASaveWhileThePopupIsShownDoesNotMisdirectDeleteOrMove) {
    FrmLOTUS w(m);
    w.finProgramme = [] {};
    w.Form_Load();
    w.txtPassLOTUS->setText(kPassword);
    w.txtServeur[0]->setText(kServer);
    w.TxtBAL[0]->setText(kMailbox);
    w.txtServeur[4]->setText(kLyon);
    w.TxtBAL[4]->setText(kAutre);
    ASSERT_TRUE(w.SaveParam(true));  // and the folder lists collected

    // The same universal IDs in both mailboxes: a misdirected action would hit the other one.
    const QString supprime = livre("à supprimer");
    const QString deplace = livre("à classer");
    livre("à supprimer", {}, autre.get(), supprime);
    livre("à classer", {}, autre.get(), deplace);

    const auto presenteEtSauve = [&](const QString& unid) {
        m.ServeurBAL = kServer;
        m.FichierBAL = kMailbox;
        m.NumBAL = 0;
        m.UNIDCourant = unid;
        AffichePopup(m, *w.popup());
        ASSERT_TRUE(w.SaveParam(true));
        ASSERT_EQ(m.FichierBAL, kAutre);  // what the save left behind
        m.NumBAL = 4;                     // and what a scan in its wait could
        m.UNIDCourant.clear();
    };

    presenteEtSauve(supprime);
    w.popup()->CmdDel->click();
    presenteEtSauve(deplace);
    quandMenuOuvert([](QMenu& racine) { choisir(racine, {"A", "B"}); });
    relache(w.popup()->CmdFolders);
    EXPECT_EQ(dansDossier("($All)"), QStringList{deplace});
    EXPECT_EQ(dansDossier("A\\B"), QStringList{deplace});
    EXPECT_EQ(dansDossier("($Inbox)", kLyon, kAutre).size(), 2);
}

TEST_F(MessageIdentityTest, FolderMenuDismissedMovesNothingAndKeepsThePopup) {
    m.ServeurBAL = kServer;
    ChargeDossiers(m, listes, 0);
    const QString unid = livre("reste");
    presente(unid);
    quandMenuOuvert([](QMenu& racine) { choisir(racine, {}); });
    relache(popup->CmdFolders);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(dansDossier("($Inbox)"), QStringList{unid});
    EXPECT_FALSE(m.DocModifie);
}

TEST_F(MessageIdentityTest, DeleteFromThePopupMakesTheScanRestartItsWalk) {
    param(keys::serveur(0), kServer);
    param(keys::kDateVisu, texteDateHeure(QDateTime::currentDateTime().addSecs(-3600)));
    QStringList sujets;
    for (const char* s : {"M1", "M2", "M3"}) livre(s);

    QTimer timer;
    bool drapeauApresSuppression = false;
    ScanHooks hooks;
    hooks.attendre = [&] {
        if (!popup->isVisible()) return;
        const QString sujet = document(m.UNIDCourant)->itemValue("Subject");
        if (sujets.isEmpty() || sujets.last() != sujet) sujets << sujet;
        if (sujet == "M2") {
            popup->CmdDel->click();
            drapeauApresSuppression = m.DocModifie;
        } else {
            popup->CmdFermer->click();
        }
    };
    ScanBAL(m, timer, *popup, hooks);
    EXPECT_EQ(sujets, QStringList({"M1", "M2", "M3"}));
    EXPECT_TRUE(drapeauApresSuppression);
    EXPECT_FALSE(m.DocModifie);  // taken by the scan, which started its walk again
    EXPECT_EQ(dansDossier("($All)").size(), 2);
}

}  // namespace
}  // namespace vantor::test
