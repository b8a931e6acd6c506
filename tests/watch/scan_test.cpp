// Real scans against store mailboxes: which documents are presented, in what
// order, with what captions, and what a failure leaves behind.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QLabel>
#include <QTimer>
#include <QToolButton>

#include "core/keys.h"
#include "core/password.h"
#include "notes/store/local_client.h"
#include "notes/store/store_paths.h"
#include "notes/workspace/ipc_workspace.h"
#include "popup_fixture.h"
#include "support/mailbox.h"
#include "support/qt_printers.h"
#include "support/store_tool.h"
#include "watch/frm_msg.h"
#include "watch/scan_bal.h"

namespace vantor::test {
namespace {

class ScanTest : public PopupFixture {
  protected:
    ScanTest() : client(racine(), notes::ipcWorkspaceFactory(racine())), tool(racine()) {
        m.notes = &client;
        tool.mailbox(kServer, kMailbox);
        visuIlYA(3600);
        param(keys::serveur(0), kServer);
        param(keys::bal(0), kMailbox);
        param(keys::kPassword, CrypteMotDePasse(QStringLiteral("vantor")).value());
        hooks.montrerParametres = [this] { ++settingsShown; };
        hooks.surveillanceArretee = [this](const QString& r) { stoppedBecause = r; };
        // The user: reads each popup once ("subject|body|pj"), then closes it.
        hooks.attendre = [this] {
            if (!popup.isVisible()) return;
            if (unids.empty() || unids.back() != m.UNIDCourant) {
                unids << m.UNIDCourant;
                shown << QStringLiteral("%1|%2|%3")
                             .arg(popup.LblSubject->text(), popup.LblBody->text(),
                                  popup.CmdPJ->isHidden() ? "" : "pj");
            }
            popup.CloseForm();
        };
    }

    void visuIlYA(int secondes) {
        param(keys::kDateVisu, texteDateHeure(QDateTime::currentDateTime().addSecs(-secondes)));
    }
    void scan(int intervalle = 65000) {
        timer.start(intervalle);
        ScanBAL(m, timer, popup, hooks);
    }
    QString deliver(const QString& subject, const QString& from = QStringLiteral("Marie Curie"),
                    const QStringList& extra = {}, const QString& body = QStringLiteral("b")) {
        return tool.deliver(kServer, kMailbox, from, subject, body, extra);
    }
    QString visu() { return m.lireParam(keys::kDateVisu, QString()); }

    store::LocalClient client;
    StoreTool tool;
    FrmMsg popup{m};
    QTimer timer;
    ScanHooks hooks;
    QStringList shown, unids;
    int settingsShown = 0;
    QString stoppedBecause;
};

TEST_F(ScanTest, NewMailIsPresentedOnceInOrderWithItsCaptionsSkippingOwnOldAndSeenMail) {
    const QString piece = dir.file(QStringLiteral("devis.txt"));
    env.replaceFile(piece, "42");
    deliver("Ancien", "Marie Curie", {"--created", "2020-01-02 10:00:00"});
    deliver("Envoyé par moi", kUser);
    m.DocsAffiches = {deliver("Déjà vu"), QString()};
    const QString premier =
        deliver("Réunion <b>lundi</b>", "Marie Curie", {}, "  Ordre du jour [IMAGE] ");
    deliver("Sans expéditeur", QString());
    deliver("Avec pièce", "Marie Curie", {"--attach", piece});
    deliver("Dernier");
    const QDateTime avant = QDateTime::currentDateTime();
    scan();
    visuIlYA(3600);
    scan();  // an older reference time again: the memory of presented IDs holds

    EXPECT_EQ(shown, QStringList({"Réunion <b>lundi</b>|Ordre du jour|", "Sans expéditeur|b|",
                                  "Avec pièce|b|pj", "Dernier|b|"}));
    EXPECT_EQ(unids.value(0), premier);
    EXPECT_TRUE(timer.isActive());
    EXPECT_LE(std::abs(dateHeureDeTexte(visu()).value_or(QDateTime()).secsTo(avant)), 2);
}

TEST_F(ScanTest, MessageDeletedInTheClientWhileTheScanReachesItIsSkippedAndTheWatchGoesOn) {
    const QString gone = deliver("Supprimé aussitôt");
    deliver("Suivant");
    // The walk has handed the first document out; the user deletes it in the
    // mail client before the scan reads it.
    hooks.laisserEvenements = [&, removed = false]() mutable {
        if (!std::exchange(removed, true))
            client.createClientSession()
                ->getDatabase(kServer, kMailbox)
                ->getDocumentByUNID(gone)
                ->remove(true);
    };
    scan();
    EXPECT_EQ(shown, QStringList{"Suivant|b|"});
    EXPECT_TRUE(timer.isActive());
}

TEST_F(ScanTest, LocalAndEmptyServersAreNotWatched) {
    tool.mailbox(QString(), QStringLiteral("mail\\local.nsf"));
    tool.deliver(QString(), QStringLiteral("mail\\local.nsf"), "X", "local", "b");
    param(keys::serveur(0), QStringLiteral("LOCAL"));
    param(keys::bal(0), QStringLiteral("mail\\local.nsf"));
    param(keys::serveur(1), QString());
    param(keys::bal(1), kMailbox);
    deliver("sur Paris");
    scan();
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(timer.isActive());
}

TEST_F(ScanTest, WrongPasswordShowsSettingsAndMessageAndLeavesDateVisu) {
    deliver("jamais vu");
    param(keys::kPassword, CrypteMotDePasse(QStringLiteral("faux")).value());
    const QString avant = visu();
    scan(1000);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(settingsShown, 1);
    ASSERT_EQ(dialogs.count(QStringLiteral("ERREUR")), 1);
    EXPECT_THAT(journal(), QHasSubstr(dialogs.shown.back().text));
    EXPECT_EQ(visu(), avant);
    EXPECT_FALSE(stoppedBecause.isEmpty());
}

TEST_F(ScanTest, OtherFailuresStopTheWatchWithOnlyALogLine) {
    tool({QStringLiteral("server-down"), kServer});
    const QString avant = visu();
    scan(1000);
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(journal().count(QStringLiteral("\r\n")), 1) << journal().toStdString();
    EXPECT_EQ(visu(), avant);

    // A reference time that is no date is a failure of the same kind.
    tool({QStringLiteral("server-up"), kServer});
    param(keys::kDateVisu, QStringLiteral("hier soir"));
    scan(1000);
    EXPECT_FALSE(timer.isActive());
    EXPECT_THAT(journal(), QHasSubstr(QStringLiteral("hier soir")));

    // A damaged mailbox that lost its view of every document is named.
    visuIlYA(0);
    sqlite3* db = nullptr;
    sqlite3_open(store::DataRoot(tool.root()).findFile(kServer, kMailbox).toUtf8().constData(),
                 &db);
    sqlite3_exec(db, "DELETE FROM views WHERE name = '($All)'", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    scan(1000);
    EXPECT_FALSE(timer.isActive());
    EXPECT_THAT(
        journal(),
        QHasSubstr(QStringLiteral("La vue ($All) de la boîte mail\\jdupont.nsf est introuvable.")));
}

TEST_F(ScanTest, EmptyPasswordIsAskedAtEveryScanAndNotStored) {
    param(keys::kPassword, QString());
    dialogs.inputAnswers = {QStringLiteral("vantor"), QStringLiteral("vantor")};
    deliver("un");
    scan();
    scan();
    EXPECT_EQ(dialogs.count(QStringLiteral("ACCES A LOTUS")), 2);
    EXPECT_EQ(m.lireParam(keys::kPassword, QStringLiteral("?")), QString());
    EXPECT_EQ(shown.size(), 1);
}

TEST(DocsAffiches, The502ndPresentationKeepsThe21LatestThenAddsTheNewOne) {
    ModLOTUS m(nullptr, nullptr, nullptr, QString());
    for (int i = 0; i < 501; ++i) AjouteDocAffiche(m, QString::number(i));
    AjouteDocAffiche(m, "new");
    ASSERT_EQ(m.DocsAffiches.size(), 23u);  // 22 IDs, U = 22
    EXPECT_EQ(m.DocsAffiches[0], "500");
    EXPECT_EQ(m.DocsAffiches[21], "new");
    EXPECT_TRUE(PasEncoreAffiche(m, "479"));
    EXPECT_FALSE(PasEncoreAffiche(m, "new"));
    EXPECT_TRUE(PasEncoreAffiche(m, "NEW"));
}

TEST(TexteCorps, RemovesTheMarkerInItsCaseThenTheSpacesAtBothEnds) {
    EXPECT_EQ(texteCorps("mot [IMAGE] "), "mot");
    EXPECT_EQ(texteCorps("mot [image]"), "mot [image]");
    EXPECT_EQ(texteCorps("\tmot "), "\tmot");
    EXPECT_EQ(texteCorps("[IMAGE][IMAGE]"), "");
}

}  // namespace
}  // namespace vantor::test
