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

struct Presented {
    QString subject, body, unid;
    bool pj = false;
};

class ScanTest : public PopupFixture {
  protected:
    ScanTest() : client(racine(), notes::ipcWorkspaceFactory(racine())), tool(racine()) {
        m.notes = &client;
    }

    void SetUp() override {
        tool.mailbox(kServer, kMailbox);
        param(keys::kDateVisu, texteDateHeure(QDateTime::currentDateTime().addSecs(-3600)));
        param(keys::serveur(0), kServer);
        param(keys::bal(0), kMailbox);
        param(keys::kPassword, CrypteMotDePasse(QStringLiteral("vantor")).value());
        popup = std::make_unique<FrmMsg>(m);
        hooks.montrerParametres = [this] { ++settingsShown; };
        hooks.surveillanceArretee = [this](const QString& r) { stoppedBecause = r; };
        // The user: reads each popup once, then closes it.
        hooks.attendre = [this] {
            if (!popup->isVisible()) return;
            if (shown.empty() || shown.back().unid != m.UNIDCourant) {
                shown.push_back({popup->LblSubject->text(), popup->LblBody->text(), m.UNIDCourant,
                                 !popup->CmdPJ->isHidden()});
            }
            popup->CloseForm();
        };
    }

    void scan() { ScanBAL(m, timer, *popup, hooks); }

    QString deliver(const QString& subject, const QString& from = QStringLiteral("Marie Curie"),
                    const QString& body = QStringLiteral("Bonjour"),
                    const QStringList& extra = {}) {
        return tool.deliver(kServer, kMailbox, from, subject, body, extra);
    }

    store::LocalClient client;
    StoreTool tool;
    std::unique_ptr<FrmMsg> popup;
    QTimer timer;
    ScanHooks hooks;
    std::vector<Presented> shown;
    int settingsShown = 0;
    QString stoppedBecause;
};

TEST_F(ScanTest, NewMessageIsPresentedWithItsCaptionsAndTheTimerIsRearmed) {
    const QString unid =
        deliver(QStringLiteral("Réunion <b>lundi</b>"), QStringLiteral("Marie Curie"),
                QStringLiteral("  Ordre du jour [IMAGE] "));
    timer.start(65000);
    const QDateTime before = QDateTime::currentDateTime();
    scan();

    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].subject, QStringLiteral("Réunion <b>lundi</b>"));
    EXPECT_EQ(shown[0].body, QStringLiteral("Ordre du jour"));
    EXPECT_EQ(shown[0].unid, unid);
    EXPECT_TRUE(timer.isActive());
    const auto visu = dateHeureDeTexte(m.lireParam(keys::kDateVisu, QString()));
    ASSERT_TRUE(visu.has_value());
    EXPECT_LE(std::abs(visu->secsTo(before)), 2);
}

TEST_F(ScanTest, FiveNewMessagesArePresentedOneAfterAnotherAndNeverAgain) {
    for (int i = 1; i <= 5; ++i) deliver(QStringLiteral("Message %1").arg(i));
    scan();
    param(keys::kDateVisu, texteDateHeure(QDateTime::currentDateTime().addSecs(-3600)));
    scan();  // an older reference time again: the memory of presented IDs holds
    ASSERT_EQ(shown.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(shown[i].subject, QStringLiteral("Message %1").arg(i + 1));
}

TEST_F(ScanTest, OwnOlderAndAlreadyPresentedMailIsSkipped) {
    deliver(QStringLiteral("Ancien"), QStringLiteral("Marie Curie"), QStringLiteral("x"),
            {QStringLiteral("--created"), QStringLiteral("2020-01-02 10:00:00")});
    deliver(QStringLiteral("Envoyé par moi"), kUser);
    const QString presented = deliver(QStringLiteral("Déjà vu"));
    deliver(QStringLiteral("Sans expéditeur"), QString());
    m.DocsAffiches = {presented, QString()};
    scan();
    ASSERT_EQ(shown.size(), 1u) << shown[0].subject.toStdString();
    EXPECT_EQ(shown[0].subject, QStringLiteral("Sans expéditeur"));
}

TEST_F(ScanTest, AttachmentButtonOnlyForRichTextBodyWithAttachments) {
    const QString file = dir.file(QStringLiteral("devis.txt"));
    env.replaceFile(file, "42");
    deliver(QStringLiteral("Avec pièce"), QStringLiteral("Marie Curie"), QStringLiteral("ci-joint"),
            {QStringLiteral("--attach"), file});
    deliver(QStringLiteral("Sans pièce"));
    scan();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0].pj);
    EXPECT_FALSE(shown[1].pj);
}

TEST_F(ScanTest, MessageDeletedInTheClientWhileTheScanReachesItIsSkippedAndTheWatchGoesOn) {
    const QString gone = deliver(QStringLiteral("Supprimé aussitôt"));
    deliver(QStringLiteral("Suivant"));
    // The walk has handed the first document out; the user deletes it in the
    // mail client before the scan reads it.
    bool removed = false;
    hooks.laisserEvenements = [&] {
        if (removed) return;
        removed = true;
        notes::DatabasePtr db = client.createClientSession()->getDatabase(kServer, kMailbox);
        ASSERT_TRUE(db->getDocumentByUNID(gone)->remove(true));
    };
    timer.start(65000);
    scan();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].subject, QStringLiteral("Suivant"));
    EXPECT_TRUE(timer.isActive());
}

TEST_F(ScanTest, LocalAndEmptyServersAreNotWatched) {
    tool.mailbox(QString(), QStringLiteral("mail\\local.nsf"));
    tool.deliver(QString(), QStringLiteral("mail\\local.nsf"), QStringLiteral("X"),
                 QStringLiteral("local"), QStringLiteral("b"));
    param(keys::serveur(0), QStringLiteral("LOCAL"));
    param(keys::bal(0), QStringLiteral("mail\\local.nsf"));
    param(keys::serveur(1), QString());
    param(keys::bal(1), kMailbox);
    deliver(QStringLiteral("sur Paris"));
    scan();
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(timer.isActive());
}

TEST_F(ScanTest, WrongPasswordShowsSettingsAndMessageAndLeavesDateVisu) {
    deliver(QStringLiteral("jamais vu"));
    param(keys::kPassword, CrypteMotDePasse(QStringLiteral("faux")).value());
    const QString visu = m.lireParam(keys::kDateVisu, QString());
    timer.start(1000);
    scan();
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(settingsShown, 1);
    ASSERT_EQ(dialogs.count(QStringLiteral("ERREUR")), 1);
    EXPECT_THAT(journal(), QHasSubstr(dialogs.shown.back().text));
    EXPECT_EQ(m.lireParam(keys::kDateVisu, QString()), visu);
    EXPECT_FALSE(stoppedBecause.isEmpty());
}

TEST_F(ScanTest, OtherFailuresStopTheWatchWithOnlyALogLine) {
    tool({QStringLiteral("server-down"), kServer});
    const QString visu = m.lireParam(keys::kDateVisu, QString());
    timer.start(1000);
    scan();
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(journal().count(QStringLiteral("\r\n")), 1) << journal().toStdString();
    EXPECT_EQ(m.lireParam(keys::kDateVisu, QString()), visu);

    // A reference time that is no date is a failure of the same kind.
    tool({QStringLiteral("server-up"), kServer});
    param(keys::kDateVisu, QStringLiteral("hier soir"));
    timer.start(1000);
    scan();
    EXPECT_FALSE(timer.isActive());
    EXPECT_THAT(journal(), QHasSubstr(QStringLiteral("hier soir")));

    // A damaged mailbox that lost its view of every document is named.
    param(keys::kDateVisu, texteDateHeure(QDateTime::currentDateTime()));
    sqlite3* db = nullptr;
    const QString fichier = store::DataRoot(tool.root()).findFile(kServer, kMailbox);
    ASSERT_EQ(sqlite3_open(fichier.toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_exec(db, "DELETE FROM views WHERE name = '($All)'", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    timer.start(1000);
    scan();
    EXPECT_FALSE(timer.isActive());
    EXPECT_THAT(journal(),
                QHasSubstr(QStringLiteral("La vue ($All) de la boîte mail\\jdupont.nsf est introuvable.")));
}

TEST_F(ScanTest, EmptyPasswordIsAskedAtEveryScanAndNotStored) {
    param(keys::kPassword, QString());
    dialogs.inputAnswers = {QStringLiteral("vantor"), QStringLiteral("vantor")};
    deliver(QStringLiteral("un"));
    scan();
    scan();
    ASSERT_EQ(dialogs.count(QStringLiteral("ACCES A LOTUS")), 2);
    EXPECT_EQ(m.lireParam(keys::kPassword, QStringLiteral("?")), QString());
    EXPECT_EQ(shown.size(), 1u);
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
