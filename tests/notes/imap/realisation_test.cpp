// The realisation of the mail boundary against a real Dovecot, as the upper
// layers use it, each result checked on the server.
#include "imap_fixture.h"
#include "notes/imap/imap_client.h"
#include "notes/imap/imap_codes.h"
#include "notes/imap/imap_document.h"
#include "support/test_env.h"

namespace vantor::test {
namespace {

using imap::FolderRef;
using imap::SearchTerm;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::IsSupersetOf;
using ::testing::Not;
using ::testing::UnorderedElementsAre;

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
    void TearDown() override {
        session_.reset();
        client_.reset();
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

    // The subjects a walk of the view gives.
    static QStringList subjects(notes::View& view) {
        QStringList out;
        for (notes::DocumentPtr d = view.getFirstDocument(); d; d = view.getNextDocument(*d))
            out << d->itemValue(QStringLiteral("Subject"));
        return out;
    }
    static notes::DocumentPtr first(notes::Database& db, const QString& view) {
        return db.getView(view)->getFirstDocument();
    }
    QByteArrayList flagsOf(const QByteArray& folder) {
        const imap::UidSet all = account_->search(FolderRef{folder}, {SearchTerm::atom("ALL")});
        QByteArrayList flags;
        for (const imap::MessageSummary& s : account_->fetchSummaries(FolderRef{folder}, all))
            for (const QByteArray& f : s.flags) flags << f;
        return flags;
    }
    quint64 count(const QByteArray& folder) {
        return account_->search(FolderRef{folder}, {SearchTerm::atom("ALL")}).count();
    }

    TestEnv env_;
    std::unique_ptr<imap::ImapClient> client_;
    notes::SessionPtr session_;
    QString server_address_;
    imap::Account* account_ = nullptr;
};

TEST_F(RealisationTest,
       WatchShowsMailArrivedAfterItStartedOnceWhateverTheServerClockAndNothingIsMarkedRead) {
    put("INBOX", QStringLiteral("avant"));
    const notes::DatabasePtr db = open();  // the watch starts here
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 lastVisit = now.toSecsSinceEpoch() - 1;
    put("INBOX", QStringLiteral("horloge en avance"), now.addSecs(3600));
    put("INBOX", QStringLiteral("horloge en retard"), now.addSecs(-3600));
    put("INBOX", QStringLiteral("déplacé par un autre programme"), now.addDays(-3));

    QStringList popped;
    const notes::ViewPtr all = db->getView(QStringLiteral("($All)"));
    all->restrictToArrivalsSince(lastVisit);
    for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d))
        if (d->arrivalSecsSinceEpoch() > lastVisit)
            popped << d->itemValue(QStringLiteral("Subject"))
                   << d->itemValue(QStringLiteral("Body")).trimmed();
    EXPECT_THAT(popped,
                ElementsAre("horloge en avance", "Bonjour.", "horloge en retard", "Bonjour."));

    // The next visit, later than those arrivals: nothing new, for one STATUS exchange.
    const qint64 before = account_->exchanges();
    const notes::ViewPtr again = open()->getView(QStringLiteral("($All)"));
    again->restrictToArrivalsSince(QDateTime::currentSecsSinceEpoch() + 1);
    EXPECT_EQ(again->getFirstDocument(), nullptr);
    EXPECT_EQ(account_->exchanges() - before, 1);
    EXPECT_THAT(flagsOf("INBOX"), Not(Contains(QByteArray("\\Seen"))));
}

struct OpeningFault {
    const char* fault;
    QString password, mailbox;
    bool unreachable;
    std::int32_t code;
    const char* says;
};

class Opening : public RealisationTest, public ::testing::WithParamInterface<OpeningFault> {};

TEST_P(Opening, TheSaveCheckSaysInFrenchWhyAMailboxDoesNotOpen) {
    const OpeningFault& f = GetParam();
    QString address = server_address_;
    if (f.unreachable) address = QStringLiteral("imap://%1@127.0.0.1:1").arg(login_);
    session_->initialize(f.password.isNull() ? password_ : f.password);
    try {
        session_->getDbDirectory(address)->openDatabase(f.mailbox, false);
        ADD_FAILURE() << f.fault;
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.code(), f.code) << f.fault;
        EXPECT_THAT(failure.description().toStdString(), ::testing::HasSubstr(f.says)) << f.fault;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, Opening,
    ::testing::Values(
        OpeningFault{"a wrong password opened", QStringLiteral("faux"), QStringLiteral("INBOX"),
                     false, notes::code::kWrongPassword, "127.0.0.1"},
        OpeningFault{"an unknown mailbox opened", QString(), QStringLiteral("Partagé"), false,
                     imap::code::kMailboxNotFound, "n'a pas de boîte « Partagé »"},
        OpeningFault{"an unreachable host not said", QString(), QStringLiteral("INBOX"), true,
                     notes::code::kServerUnavailable, "127.0.0.1:1"}));

TEST_F(RealisationTest, AllLeavesOutTrashJunkSentDraftsAndRechercheAndFoldersAreNamedForTheMenus) {
    for (const QByteArray folder :
         {"Recherche", "Projets/Atlas", "Martin &- Fils", "R&AOk-sultats"})
        account_->create(folder);
    for (const QByteArray folder :
         {"INBOX", "Trash", "Junk", "Sent", "Drafts", "Recherche", "Projets/Atlas"})
        put(folder, QString::fromLatin1(folder));
    const notes::DatabasePtr db = open();
    EXPECT_THAT(subjects(*db->getView(QStringLiteral("($All)"))),
                UnorderedElementsAre("INBOX", "Projets/Atlas"));
    QStringList names;
    for (const notes::ViewPtr& v : db->views()) names << v->name();
    EXPECT_THAT(names,
                IsSupersetOf({QStringLiteral("($All)"), QStringLiteral("($Inbox)"),
                              QStringLiteral("($Trash)"), QStringLiteral("($JunkMail)"),
                              QStringLiteral("($Sent)"), QStringLiteral("($Drafts)"),
                              QStringLiteral("Projets\\Atlas"), QStringLiteral("Martin & Fils"),
                              QStringLiteral("Résultats"), QStringLiteral("Recherche")}));
}

TEST_F(RealisationTest, OwnMessagesAreKnownByAddressNotByDisplayName) {
    put("INBOX", QStringLiteral("moi"), QDateTime::currentDateTime(),
        QStringLiteral("Autre Nom <%1@127.0.0.1>").arg(login_.toUpper()));
    put("INBOX", QStringLiteral("homonyme"), QDateTime::currentDateTime(),
        QStringLiteral("%1 <paul@example.com>").arg(login_));
    const notes::ViewPtr all = open()->getView(QStringLiteral("($All)"));
    std::map<QString, bool> own;
    for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d))
        own[d->itemValue(QStringLiteral("Subject"))] = d->sentByUser(session_->userName());
    EXPECT_EQ(own, (std::map<QString, bool>{{QStringLiteral("homonyme"), false},
                                            {QStringLiteral("moi"), true}}));
}

TEST_F(RealisationTest, CopiesShareTheUniversalIdAndTwoMessagesWithOneMessageIdDoNot) {
    const QByteArray message = DovecotServer::message(QStringLiteral("même identifiant"));
    account_->append("INBOX", message, {}, QDateTime::currentDateTime());
    QByteArray later = message;
    later.replace("10:00:00", "11:00:00");
    account_->append("INBOX", later, {}, QDateTime::currentDateTime());
    const notes::DatabasePtr db = open();
    const notes::ViewPtr inbox = db->getView(QStringLiteral("($Inbox)"));
    const notes::DocumentPtr a = inbox->getFirstDocument();
    const notes::DocumentPtr b = inbox->getNextDocument(*a);
    EXPECT_NE(a->universalID(), b->universalID());
    a->putInFolder(QStringLiteral("Recherche"), true);
    EXPECT_EQ(first(*db, QStringLiteral("Recherche"))->universalID(), a->universalID());
    const notes::DocumentPtr found = db->getDocumentByUNID(a->universalID());
    EXPECT_EQ(static_cast<imap::ImapDocument&>(*found).location().folder, "INBOX");
}

class Removals : public RealisationTest, public ::testing::WithParamInterface<bool> {
  protected:
    DovecotOptions serverOptions() const override {
        DovecotOptions o;
        if (!GetParam()) o.without << QStringLiteral("MOVE");
        return o;
    }
};

TEST_P(Removals, DeleteGoesToTrashMoveLeavesTheInboxAndRemoveLeavesNoCopy) {
    for (const char* s : {"à jeter", "à classer", "à effacer"}) put("INBOX", QString::fromUtf8(s));
    account_->create("Projets");
    const notes::DatabasePtr db = open();
    const notes::ViewPtr inbox = db->getView(QStringLiteral("($Inbox)"));
    notes::DocumentPtr d = inbox->getFirstDocument();
    const notes::DocumentPtr toMove = inbox->getNextDocument(*d);
    const notes::DocumentPtr toRemove = inbox->getNextDocument(*toMove);
    EXPECT_TRUE(d->trash());
    toMove->moveToFolder(QStringLiteral("Projets"), QStringLiteral("($Inbox)"));
    EXPECT_TRUE(toRemove->remove(true));
    EXPECT_EQ(count("INBOX"), 0u);
    EXPECT_EQ(count("Trash"), 1u);
    EXPECT_EQ(count("Projets"), 1u);
    EXPECT_THAT(subjects(*db->getView(QStringLiteral("Projets"))), ElementsAre("à classer"));
}
INSTANTIATE_TEST_SUITE_P(WithAndWithoutMove, Removals, ::testing::Bool());

TEST_F(RealisationTest, FollowUpSetsFlaggedAndOnePriorityKeywordAndRefusesOtherChanges) {
    put("INBOX", QStringLiteral("suivi"));
    const notes::DatabasePtr db = open();
    const notes::DocumentPtr d = first(*db, QStringLiteral("($Inbox)"));
    for (const char* priority : {"2", "3"}) {
        d->replaceItemValue(QStringLiteral("FollowUpDate"), QString());
        d->replaceItemValue(QStringLiteral("FollowUpStatus"), QString::fromLatin1(priority));
        EXPECT_TRUE(d->save(true, true));
    }
    EXPECT_THAT(flagsOf("INBOX"),
                AllOf(IsSupersetOf({QByteArray("\\Flagged"), QByteArray("$VantorPriorite3")}),
                      Not(Contains(QByteArray("$VantorPriorite2")))));
    d->replaceItemValue(QStringLiteral("Subject"), QStringLiteral("autre"));
    EXPECT_THROW(d->save(true, true), Failure);
}

TEST_F(RealisationTest, PopupReadsTheTextWithoutTheAttachmentWhoseBytesComeOnlyWhenAsked) {
    const QByteArray payload(3 * 1024 * 1024, 'x');
    const QByteArray message =
        "From: Paul <paul@example.com>\r\nSubject: Devis\r\nMessage-ID: <gros@example.com>\r\n"
        "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
        "Content-Type: text/plain; charset=utf-8\r\n\r\nCi-joint le devis.\r\n--b\r\n"
        "Content-Type: application/octet-stream; name=\"devis.bin\"\r\n"
        "Content-Disposition: attachment; filename=\"devis.bin\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n" +
        payload.toBase64() + "\r\n--b--\r\n";
    account_->append("INBOX", message, {}, QDateTime::currentDateTime());
    const notes::DatabasePtr db = open();
    const qint64 before = account_->bytesRead();
    const notes::DocumentPtr d = first(*db, QStringLiteral("($All)"));
    EXPECT_EQ(d->itemValue(QStringLiteral("Body")).trimmed(), "Ci-joint le devis.");
    const auto attachments = d->getFirstItem(QStringLiteral("Body"))->embeddedObjects();
    ASSERT_EQ(attachments.size(), 1u);
    EXPECT_EQ(attachments[0]->name(), "devis.bin");
    EXPECT_LT(account_->bytesRead() - before, payload.size() / 10);
    EXPECT_EQ(attachments[0]->bytes(), payload);
}

TEST_F(RealisationTest, AWalkReadingEveryTextCostsAFewExchangesNotOneAMessage) {
    for (int i = 0; i < 20; ++i) put("INBOX", QStringLiteral("n° %1").arg(i));
    const notes::DatabasePtr db = open();
    const qint64 before = account_->exchanges();
    QStringList bodies;
    const notes::ViewPtr all = db->getView(QStringLiteral("($All)"));
    for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d))
        bodies << d->itemValue(QStringLiteral("Body")).trimmed();
    EXPECT_EQ(bodies, QStringList(20, QStringLiteral("Bonjour.")));
    // STATUS, SEARCH, then a batch of summaries and one of texts, twice.
    EXPECT_LE(account_->exchanges() - before, 6);
}

TEST_F(RealisationTest,
       SearchCandidatesComeFromTheServerAndEmptyingRechercheKeepsAHandFiledMessage) {
    account_->create("Recherche");
    put("INBOX", QStringLiteral("Réunion budget"));
    put("INBOX", QStringLiteral("Autre sujet"));
    put("Recherche", QStringLiteral("Classé à la main, budget"));
    const notes::DatabasePtr db = open();
    const notes::ViewPtr candidates = db->searchCandidates(QStringLiteral("budget"));
    EXPECT_THAT(subjects(*candidates), ElementsAre("Réunion budget"));
    candidates->getFirstDocument()->putInFolder(QStringLiteral("Recherche"), true);
    EXPECT_EQ(count("Recherche"), 2u);

    const notes::ViewPtr recherche = db->getView(QStringLiteral("Recherche"));
    for (notes::DocumentPtr d = recherche->getFirstDocument(); d;
         d = recherche->getNextDocument(*d))
        d->removeFromFolder(QStringLiteral("Recherche"));
    EXPECT_THAT(subjects(*db->getView(QStringLiteral("Recherche"))),
                ElementsAre("Classé à la main, budget"));
    EXPECT_EQ(count("INBOX"), 2u);
}

TEST_F(RealisationTest, ReplyDraftAnswersTheMessageAndGoesToTheDesktopsComposer) {
    put("INBOX", QStringLiteral("question"));
    const notes::DatabasePtr db = open();
    const QString unid = first(*db, QStringLiteral("($Inbox)"))->universalID();
    ASSERT_NE(db->getDocumentByUNID(unid), nullptr);
    const notes::DocumentPtr reply = db->createDocument();
    reply->replaceItemValue(QStringLiteral("SendTo"),
                            QStringLiteral("Paul Martin <paul@example.com>"));
    client_->createUIWorkspace()->editDocument(true, reply);
    ASSERT_EQ(env_.started.size(), 1u);
    EXPECT_EQ(env_.started[0].program, "xdg-email");
    EXPECT_THAT(env_.started[0].arguments.join(' ').toStdString(),
                ::testing::HasSubstr("In-Reply-To=%3C"));
}

}  // namespace
}  // namespace vantor::test
