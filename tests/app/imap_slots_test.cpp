// Mailboxes on an IMAP server beside the local store, through the program's
// own routines: the scan, archiving into the local archive.
#include <gmock/gmock.h>

#include <QLabel>

#include "../maintenance/maintenance_fixture.h"  // the maintenance window as tests record it
#include "../watch/popup_fixture.h"
#include "maintenance/archivage.h"
#include "notes/imap/imap_client.h"
#include "notes/imap/imap_document.h"
#include "notes/routing_client.h"
#include "notes/store_fixture.h"
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
using ::testing::UnorderedElementsAre;

class ImapSlots : public PopupFixture {
  protected:
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
            presentes << popup->LblSubject->text();
            popup->CloseForm();
        };
    }

    void scan() {
        presentes.clear();
        ScanBAL(m, timer, *popup, hooks);
    }

    store::LocalClient store{racine()};
    store::StoreAdmin admin{racine()};
    notes::RoutingClient routing{store};
    imap::ImapClient* imapClient = nullptr;
    std::shared_ptr<store::LocalDatabase> localBal;
    std::unique_ptr<FrmMsg> popup;
    QTimer timer;
    ScanHooks hooks;
    QStringList presentes;
};

TEST_F(ImapSlots, ScanSkipsAnUnreachableServerAndStillPresentsTheStoreSlot) {
    param(keys::kDateVisu, texteDateHeure(QDateTime::currentDateTime().addSecs(-3600)));
    param(keys::serveur(0), QStringLiteral("imap://jean@127.0.0.1:1"));  // nothing listens there
    param(keys::bal(0), QStringLiteral("INBOX"));
    param(keys::serveur(1), kServer);
    param(keys::bal(1), kMailbox);
    deliver(*localBal, QStringLiteral("local"));
    scan();
    EXPECT_THAT(presentes, ElementsAre("local"));
    EXPECT_THAT(journal().toStdString(), HasSubstr("BAL 1 injoignable"));
    EXPECT_TRUE(timer.isActive());
}

TEST_F(ImapSlots,
       ArchivingCopiesIntoTheLocalArchiveThenExpungesAndASecondRunAfterAFailureLosesNothing) {
    DovecotServer server({.tls = QStringLiteral("none"), .without = {}, .specialUse = true});
    if (!server.available()) GTEST_SKIP() << server.why().toStdString();
    const QString address = server.address(server.addUser(kPassword), false);
    param(keys::serveur(0), address);
    param(keys::bal(0), QStringLiteral("INBOX"));
    imap::Account& account = imapClient->accountFor(address, kPassword)->account();
    account.create("Projets");
    const QDateTime old = QDateTime::currentDateTime().addYears(-1);
    const std::tuple<const char*, const char*, QDateTime> mails[] = {
        {"INBOX", "ancien 1", old}, {"INBOX", "ancien 2", old}, {"INBOX", "ancien 3", old},
        {"INBOX", "ancien 4", old}, {"Projets", "classé", old}, {"INBOX", "récent", {}}};
    for (const auto& [folder, subject, date] : mails)
        account.append(folder, DovecotServer::message(subject), {},
                       date.isValid() ? date : QDateTime::currentDateTime());
    FenetreTest fenetre;
    fenetre.archives[0] = kArchive;
    // The server stops answering in the middle of the first run.
    fenetre.pendant = [&server](int turn) {
        if (turn == 3) server.freeze();
    };
    EXPECT_THROW(archiver(m, fenetre, 0, QDate::currentDate(), true), Failure);
    server.thaw();
    fenetre.pendant = nullptr;
    const BilanArchivage bilan = archiver(m, fenetre, 0, QDate::currentDate(), true);
    EXPECT_THAT(bilan.conserves, IsEmpty());

    const auto archive = admin.open(QStringLiteral("local"), kArchive);
    EXPECT_THAT(subjects(*archive->getView("($All)")),
                UnorderedElementsAre("ancien 1", "ancien 2", "ancien 3", "ancien 4", "classé"));
    EXPECT_THAT(subjects(*archive->getView("Projets")), ElementsAre("classé"));
    EXPECT_EQ(account.search(FolderRef{"INBOX"}, {SearchTerm::atom("ALL")}).count(), 1u);
    EXPECT_EQ(account.search(FolderRef{"Projets"}, {SearchTerm::atom("ALL")}).count(), 0u);
}

}  // namespace
}  // namespace vantor::test
