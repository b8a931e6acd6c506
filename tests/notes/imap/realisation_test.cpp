// The realisation of the mail boundary against a real Dovecot, as the upper
// layers use it, each result checked on the server.
#include "imap_fixture.h"
#include "notes/imap/imap_client.h"
#include "notes/imap/imap_codes.h"
#include "notes/imap/imap_document.h"
#include "notes/mime/corpus.h"
#include "notes/mime/message.h"
#include "notes/notes_checks.h"
#include "support/test_env.h"

namespace vantor::test {
namespace {

using imap::FolderRef;
using imap::SearchTerm;
using namespace ::testing;  // gmock matchers

class RealisationTest : public ImapTest {
  protected:
    void SetUp() override {
        ImapTest::SetUp();
        if (IsSkipped()) return;
        imap::AccountSettings accounts;
        accounts.useKeyring = false;
        accounts.connection.connectTimeoutMs = 5000;
        client_ = std::make_unique<imap::ImapClient>(imap::ImapClientSettings{QString(), {}, &env_},
                                                     accounts);
        session_ = client_->createBackendSession();
        session_->initialize(password_);
        server_address_ = server_->address(login_);
        account_ = &client_->accountFor(server_address_, password_)->account();
    }

    notes::DatabasePtr open() {
        return session_->getDbDirectory(server_address_)->openDatabase("INBOX", false);
    }

    // Stores a message as a mail program would, with its internal date.
    void put(const QByteArray& folder, const QString& subject,
             const QDateTime& date = QDateTime::currentDateTime(),
             const QString& from = QStringLiteral("Paul Martin <paul@example.com>")) {
        account_->append(folder, DovecotServer::message(subject, QStringLiteral("Bonjour."), from),
                         {}, date);
    }

    QByteArrayList flagsOf(const QByteArray& folder) {
        QByteArrayList flags;
        for (const imap::MessageSummary& s :
             account_->fetchSummaries(FolderRef{folder}, all(folder)))
            for (const QByteArray& f : s.flags) flags << f;
        return flags;
    }
    imap::UidSet all(const QByteArray& folder) {
        return account_->search(FolderRef{folder}, {SearchTerm::atom("ALL")});
    }

    TestEnv env_;
    std::unique_ptr<imap::ImapClient> client_;
    notes::SessionPtr session_;
    QString server_address_;
    imap::Account* account_ = nullptr;
};

TEST_F(RealisationTest,
       WatchShowsMailArrivedAfterItStartedOnceWhateverTheServerClockAndNothingIsMarkedRead) {
    put("INBOX", "avant");
    const notes::DatabasePtr db = open();  // the watch starts here
    const QDateTime now = QDateTime::currentDateTime();
    put("INBOX", "horloge en avance", now.addSecs(3600));
    put("INBOX", "horloge en retard", now.addSecs(-3600));
    put("INBOX", "déplacé par un autre programme", now.addDays(-3));  // not new either

    const qint64 lastVisit = now.toSecsSinceEpoch() - 1;
    QStringList popped;
    const notes::ViewPtr view = db->getView("($All)");
    view->restrictToArrivalsSince(lastVisit);
    for (notes::DocumentPtr d = view->getFirstDocument(); d; d = view->getNextDocument(*d))
        if (d->arrivalSecsSinceEpoch() > lastVisit)
            popped << d->itemValue("Subject") << d->itemValue("Body").trimmed();
    EXPECT_THAT(popped,
                ElementsAre("horloge en avance", "Bonjour.", "horloge en retard", "Bonjour."));

    // The next visit, later than those arrivals: nothing new, for one STATUS exchange.
    const qint64 before = account_->exchanges();
    const notes::ViewPtr again = open()->getView("($All)");
    again->restrictToArrivalsSince(QDateTime::currentSecsSinceEpoch() + 1);
    EXPECT_EQ(again->getFirstDocument(), nullptr);
    EXPECT_EQ(account_->exchanges() - before, 1);
    EXPECT_THAT(flagsOf("INBOX"), Not(Contains(QByteArray("\\Seen"))));
}

TEST_F(RealisationTest, TheSaveCheckSaysInFrenchWhyAMailboxDoesNotOpen) {
    const struct {
        const char* password;
        QString address, mailbox;
        std::int32_t code;
        const char* says;
    } faults[] = {{"faux", server_address_, "INBOX", notes::code::kWrongPassword, "127.0.0.1"},
                  {nullptr, server_address_, "Partagé", imap::code::kMailboxNotFound,
                   "n'a pas de boîte « Partagé »"},
                  {nullptr, QString("imap://%1@127.0.0.1:1").arg(login_), "INBOX",
                   notes::code::kServerUnavailable, "127.0.0.1:1"}};
    for (const auto& f : faults) {
        session_->initialize(f.password ? QString(f.password) : password_);
        EXPECT_THAT([&] { session_->getDbDirectory(f.address)->openDatabase(f.mailbox, false); },
                    Fails(f.code, QHasSubstr(f.says)));
    }
}

// Search candidates come from the server, among what ($All) holds; emptying
// Recherche the way the search does keeps a message filed there by hand.
TEST_F(RealisationTest,
       AllLeavesOutTrashJunkSentDraftsAndRechercheWhichTheSearchEmptiesOfItsCopies) {
    for (const QByteArray folder : {"Recherche", "Projets/Atlas"}) account_->create(folder);
    for (const QByteArray folder :
         {"INBOX", "Trash", "Junk", "Sent", "Drafts", "Recherche", "Projets/Atlas"})
        put(folder, QString::fromLatin1(folder) + " budget");
    put("INBOX", "Autre sujet");
    const notes::DatabasePtr db = open();
    EXPECT_THAT(subjects(*db->getView("($All)")),
                UnorderedElementsAre("INBOX budget", "Autre sujet", "Projets/Atlas budget"));
    QStringList names;
    for (const notes::ViewPtr& v : db->views()) names << v->name();
    EXPECT_THAT(names, IsSupersetOf({"($Inbox)", "($Trash)", "($JunkMail)", "($Sent)", "($Drafts)",
                                     "Projets\\Atlas", "Recherche"}));

    const notes::ViewPtr candidates = db->searchCandidates("budget");
    EXPECT_THAT(subjects(*candidates),
                UnorderedElementsAre("INBOX budget", "Projets/Atlas budget"));
    candidates->getFirstDocument()->putInFolder("Recherche", true);
    const notes::ViewPtr recherche = db->getView("Recherche");
    for (notes::DocumentPtr d = recherche->getFirstDocument(); d;
         d = recherche->getNextDocument(*d))
        d->removeFromFolder("Recherche");
    EXPECT_THAT(subjects(*db->getView("Recherche")), ElementsAre("Recherche budget"));
    EXPECT_EQ(all("INBOX").count(), 2u);
}

TEST_F(RealisationTest, OwnMessagesAreKnownByAddressNotByDisplayName) {
    put("INBOX", "moi", QDateTime::currentDateTime(),
        QStringLiteral("Autre Nom <%1@127.0.0.1>").arg(login_.toUpper()));
    put("INBOX", "homonyme", QDateTime::currentDateTime(),
        QStringLiteral("%1 <paul@example.com>").arg(login_));
    const notes::ViewPtr view = open()->getView("($All)");
    const notes::DocumentPtr moi = view->getFirstDocument();
    EXPECT_TRUE(moi->sentByUser(session_->userName()));
    EXPECT_FALSE(view->getNextDocument(*moi)->sentByUser(session_->userName()));
}

TEST_F(RealisationTest, CopiesShareTheUniversalIdAndTwoMessagesWithOneMessageIdDoNot) {
    const QByteArray message = DovecotServer::message(QStringLiteral("même identifiant"));
    account_->append("INBOX", message, {}, QDateTime::currentDateTime());
    account_->append("INBOX", QByteArray(message).replace("10:00:00", "11:00:00"), {},
                     QDateTime::currentDateTime());
    const notes::DatabasePtr db = open();
    const notes::ViewPtr inbox = db->getView("($Inbox)");
    const notes::DocumentPtr a = inbox->getFirstDocument();
    EXPECT_NE(inbox->getNextDocument(*a)->universalID(), a->universalID());
    a->putInFolder(QStringLiteral("Recherche"), true);
    EXPECT_EQ(db->getView("Recherche")->getFirstDocument()->universalID(), a->universalID());
    const notes::DocumentPtr found = db->getDocumentByUNID(a->universalID());
    EXPECT_EQ(static_cast<imap::ImapDocument&>(*found).location().folder, "INBOX");
}

// Archiving's removal looks up and reads a group of messages by ID.
TEST_F(RealisationTest, ExpectedLookUpsAndTheirTextsCostAnExchangeEachNotOneAMessage) {
    account_->create("Projets");
    for (int i = 0; i < 20; ++i) put(i % 2 ? "INBOX" : "Projets", QStringLiteral("n° %1").arg(i));
    const notes::DatabasePtr db = open();
    QStringList ids, subjectsWalked, subjectsFound;
    const notes::ViewPtr all = db->getView("($All)");
    for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d))
        ids.prepend(d->universalID()), subjectsWalked.prepend(d->itemValue("Subject"));
    const qint64 before = account_->exchanges();
    db->expectLookups(ids);
    for (const QString& id : ids)
        if (const notes::DocumentPtr d = db->getDocumentByUNID(id); d && d->itemValue("Body") != "")
            subjectsFound << d->itemValue("Subject");
    EXPECT_EQ(subjectsFound, subjectsWalked);
    // Summaries then texts of both folders, each pair pipelined.
    EXPECT_LE(account_->exchanges() - before, 4);
}

// Without MOVE, the account moves otherwise (account_test).
TEST_F(RealisationTest, DeleteGoesToTrashMoveLeavesTheInboxAndRemoveLeavesNoCopy) {
    for (const char* s : {"à jeter", "à classer", "à effacer"}) put("INBOX", QString::fromUtf8(s));
    account_->create("Projets");
    const notes::DatabasePtr db = open();
    const notes::ViewPtr inbox = db->getView("($Inbox)");
    notes::DocumentPtr d = inbox->getFirstDocument();
    const notes::DocumentPtr toMove = inbox->getNextDocument(*d);
    const notes::DocumentPtr toRemove = inbox->getNextDocument(*toMove);
    EXPECT_TRUE(d->trash());
    toMove->moveToFolder("Projets", "($Inbox)");
    EXPECT_TRUE(toRemove->remove(true));
    EXPECT_EQ(std::tuple(all("INBOX").count(), all("Trash").count()), std::tuple(0u, 1u));
    EXPECT_THAT(subjects(*db->getView("Projets")), ElementsAre("à classer"));
}

TEST_F(RealisationTest, FollowUpSetsFlaggedAndOnePriorityKeywordAndRefusesOtherChanges) {
    put("INBOX", "suivi");
    const notes::DocumentPtr d = open()->getView("($Inbox)")->getFirstDocument();
    for (const char* priority : {"2", "3"}) {
        d->replaceItemValue("FollowUpDate", QString());
        d->replaceItemValue("FollowUpStatus", QString::fromLatin1(priority));
        EXPECT_TRUE(d->save(true, true));
    }
    EXPECT_THAT(flagsOf("INBOX"),
                AllOf(IsSupersetOf({QByteArray("\\Flagged"), QByteArray("$VantorPriorite3")}),
                      Not(Contains(QByteArray("$VantorPriorite2")))));
    d->replaceItemValue("Subject", QStringLiteral("autre"));
    EXPECT_THROW(d->save(true, true), Failure);
}

TEST_F(RealisationTest, PopupReadsTheTextWithoutTheAttachmentWhoseBytesComeOnlyWhenAsked) {
    const QByteArray payload(3 * 1024 * 1024, 'x');
    account_->append("INBOX",
                     "Subject: Devis\r\nMessage-ID: <gros@example.com>\r\nMIME-Version: 1.0\r\n"
                     "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
                     "Content-Type: text/plain\r\n\r\nCi-joint le devis.\r\n--b\r\n"
                     "Content-Type: application/octet-stream\r\n"
                     "Content-Disposition: attachment; filename=\"devis.bin\"\r\n"
                     "Content-Transfer-Encoding: base64\r\n\r\n" +
                         payload.toBase64() + "\r\n--b--\r\n",
                     {}, QDateTime::currentDateTime());
    const notes::DatabasePtr db = open();
    const qint64 before = account_->bytesRead();
    const notes::DocumentPtr d = db->getView("($All)")->getFirstDocument();
    EXPECT_EQ(d->itemValue("Body").trimmed(), "Ci-joint le devis.");
    const auto attachments = d->getFirstItem("Body")->embeddedObjects();
    ASSERT_EQ(attachments.size(), 1u);
    EXPECT_LT(account_->bytesRead() - before, payload.size() / 10);
    EXPECT_EQ(attachments[0]->bytes(), payload);
}

// Each corpus message read from its sections gives what its whole bytes give
// (one nested beyond the bound: read, not compared), in a few exchanges.
TEST_F(RealisationTest, CorpusMessagesReadFromTheirSectionsAsFromTheirWholeBytesInAFewExchanges) {
    const QStringList names = corpusNames();
    const QString deeperThanTheBound = QStringLiteral("multipart-nested-1000-deep.eml");
    for (const QString& name : names)
        account_->append("INBOX", corpusMessage(name), {}, QDateTime::currentDateTime());
    const notes::DatabasePtr db = open();
    const qint64 before = account_->exchanges();
    const notes::ViewPtr view = db->getView("($All)");
    notes::DocumentPtr d = view->getFirstDocument();
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(d);
        const mime::Message whole = mime::readMessage(corpusMessage(name));
        QStringList files, wholeFiles;
        for (const auto& o : d->getFirstItem("Body")->embeddedObjects()) files << o->name();
        for (const mime::Attachment& a : whole.attachments) wholeFiles << a.name;
        if (name != deeperThanTheBound) {
            EXPECT_EQ(std::pair(d->itemValue("Body"), files), std::pair(whole.body, wholeFiles));
        }
        d = view->getNextDocument(*d);
    }
    // STATUS, SEARCH, then a batch of summaries and one of texts, twice.
    EXPECT_LE(account_->exchanges() - before, 6);
}

TEST_F(RealisationTest, ReplyDraftAnswersTheMessageAndGoesToTheDesktopsComposer) {
    put("INBOX", "question");
    const notes::DatabasePtr db = open();
    // The popup opens the message it answers by its ID.
    ASSERT_TRUE(db->getDocumentByUNID(db->getView("($Inbox)")->getFirstDocument()->universalID()));
    const notes::DocumentPtr reply = db->createDocument();
    reply->replaceItemValue("SendTo", QStringLiteral("paul@example.com"));
    client_->createUIWorkspace()->editDocument(true, reply);
    ASSERT_EQ(env_.started.size(), 1u);
    EXPECT_EQ(env_.started[0].program, "xdg-email");
    EXPECT_THAT(env_.started[0].arguments.join(' '), QHasSubstr("In-Reply-To=%3C"));
}

}  // namespace
}  // namespace vantor::test
