// Mailboxes on an IMAP server beside the local store, through the program's
// own routines: the scan, archiving into the local archive.
#include <gmock/gmock.h>

#include <QLabel>

#include "../maintenance/maintenance_fixture.h"  // the maintenance window as tests record it
#include "../watch/popup_fixture.h"
#include "core/keys.h"
#include "core/password.h"
#include "maintenance/archivage.h"
#include "maintenance/empreinte.h"
#include "notes/imap/imap_client.h"
#include "notes/imap/imap_document.h"
#include "notes/routing_client.h"
#include "notes/store/local_client.h"
#include "notes/store/store_admin.h"
#include "support/dovecot_server.h"
#include "watch/frm_msg.h"
#include "watch/scan_bal.h"

namespace vantor::test {
namespace {

using imap::FolderRef;
using imap::SearchTerm;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;


class ImapSlots : public PopupFixture {
  protected:
    ImapSlots()
        : store(dir.file(QStringLiteral("notesdata"))),
          admin(dir.file(QStringLiteral("notesdata"))),
          routing(store) {}

    void SetUp() override {
        localBal = createUserMailbox(admin);
        admin.createDatabase(QStringLiteral("local"), kArchive, {kUser});
        imap::AccountSettings accounts;
        accounts.useKeyring = false;  // the person running the tests keeps theirs
        accounts.firstRetryDelayMs = 0;
        accounts.connection.connectTimeoutMs = 5000;
        accounts.connection.responseTimeoutMs = 3000;
        auto client = std::make_unique<imap::ImapClient>(
            imap::ImapClientSettings{QString(), [this](const QString& l) { m.LogErreur(l); }, &env},
            accounts);
        imapClient = client.get();
        routing.attach({std::move(client), imap::isImapServer, [](const notes::Document& d) {
                            return dynamic_cast<const imap::ImapDocument*>(&d) != nullptr;
                        }});
        m.notes = &routing;
        param(keys::kPassword, CrypteMotDePasse(kPassword).value());
        popup = std::make_unique<FrmMsg>(m);
        hooks.attendre = [this] {
            if (!popup->isVisible()) return;
            if (shown.isEmpty() || shown.back() != m.UNIDCourant + popup->LblSubject->text()) {
                shown << m.UNIDCourant + popup->LblSubject->text();
                subjects << popup->LblSubject->text();
            }
            popup->CloseForm();
        };
    }

    // A Dovecot whose user has the program's password, in slot `slot`.
    bool startServer(int slot) {
        server = std::make_unique<DovecotServer>(
            DovecotOptions{.tls = QStringLiteral("none"), .without = {}, .specialUse = true});
        if (!server->available()) return false;
        address = server->address(server->addUser(kPassword), false);
        param(keys::serveur(slot), address);
        param(keys::bal(slot), QStringLiteral("INBOX"));
        account = &imapClient->accountFor(address, kPassword)->account();
        return true;
    }
    void put(const QByteArray& folder, const QString& subject,
             const QDateTime& date = QDateTime::currentDateTime()) {
        account->append(folder, DovecotServer::message(subject), {}, date);
    }
    void scan() {
        subjects.clear();
        ScanBAL(m, timer, *popup, hooks);
    }

    store::LocalClient store;
    store::StoreAdmin admin;
    notes::RoutingClient routing;
    imap::ImapClient* imapClient = nullptr;
    std::shared_ptr<store::LocalDatabase> localBal;
    std::unique_ptr<DovecotServer> server;
    QString address;
    imap::Account* account = nullptr;
    std::unique_ptr<FrmMsg> popup;
    QTimer timer;
    ScanHooks hooks;
    QStringList shown, subjects;
};

TEST_F(ImapSlots, ScanSkipsAnUnreachableServerAndStillPresentsTheStoreSlot) {
    param(keys::kDateVisu, texteDateHeure(QDateTime::currentDateTime().addSecs(-3600)));
    param(keys::serveur(0), QStringLiteral("imap://jean@127.0.0.1:1"));  // nothing listens there
    param(keys::bal(0), QStringLiteral("INBOX"));
    param(keys::serveur(1), kServer);
    param(keys::bal(1), kMailbox);
    deliver(*localBal, QStringLiteral("local"));
    scan();
    EXPECT_THAT(subjects, ElementsAre("local"));
    EXPECT_THAT(journal().toStdString(), HasSubstr("BAL 1 injoignable"));
    EXPECT_TRUE(timer.isActive());
}

TEST_F(ImapSlots, ScanPresentsMailArrivedOnTheServerOnceAndNeverTheMailThatWasThere) {
    if (!startServer(0)) GTEST_SKIP() << server->why().toStdString();
    put("INBOX", QStringLiteral("déjà là"));
    param(keys::kDateVisu, texteDateHeure(QDateTime::currentDateTime().addSecs(-3600)));
    scan();  // the watch starts
    EXPECT_THAT(subjects, IsEmpty());
    put("INBOX", QStringLiteral("nouveau"));
    scan();
    EXPECT_THAT(subjects, ElementsAre("nouveau"));
    scan();
    EXPECT_THAT(subjects, IsEmpty());
}

TEST_F(ImapSlots,
       ArchivingCopiesIntoTheLocalArchiveThenExpungesAndASecondRunAfterAFailureLosesNothing) {
    if (!startServer(0)) GTEST_SKIP() << server->why().toStdString();
    account->create("Projets");
    const QDateTime old = QDateTime::currentDateTime().addYears(-1);
    for (int i = 1; i <= 4; ++i) put("INBOX", QStringLiteral("ancien %1").arg(i), old);
    put("Projets", QStringLiteral("classé"), old);
    put("INBOX", QStringLiteral("récent"));
    FenetreTest fenetre;
    fenetre.archives[0] = kArchive;
    // The server stops answering in the middle of the first run.
    fenetre.pendant = [this](int turn) {
        if (turn == 3) server->freeze();
    };
    EXPECT_THROW(archiver(m, fenetre, 0, QDate::currentDate(), true), Failure);
    server->thaw();
    fenetre.pendant = nullptr;
    const BilanArchivage bilan = archiver(m, fenetre, 0, QDate::currentDate(), true);
    EXPECT_THAT(bilan.conserves, IsEmpty());

    const auto archive = admin.open(QStringLiteral("local"), kArchive);
    QStringList archived;
    const notes::ViewPtr all = archive->getView(QStringLiteral("($All)"));
    for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d))
        archived << d->itemValue(QStringLiteral("Subject"));
    archived.sort();
    EXPECT_THAT(archived, ElementsAre("ancien 1", "ancien 2", "ancien 3", "ancien 4", "classé"));
    const notes::ViewPtr projets = archive->getView(QStringLiteral("Projets"));
    ASSERT_NE(projets, nullptr);
    const notes::DocumentPtr filed = projets->getFirstDocument();
    ASSERT_NE(filed, nullptr);
    EXPECT_EQ(filed->itemValue(QStringLiteral("Subject")), "classé");
    EXPECT_EQ(account->search(FolderRef{"INBOX"}, {SearchTerm::atom("ALL")}).count(), 1u);
    EXPECT_EQ(account->search(FolderRef{"Projets"}, {SearchTerm::atom("ALL")}).count(), 0u);
}

}  // namespace
}  // namespace vantor::test
