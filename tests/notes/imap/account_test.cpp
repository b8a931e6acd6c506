// The account's operations against a real Dovecot, each result checked on
// the server: folders, status, search, summaries and sections read without
// marking anything read, flags, copy, move, exact expunge, append, the
// outage's growing delay, IDLE's news and the keyring.
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include "imap_fixture.h"
#include "notes/imap/account.h"
#include "notes/imap/certificate_trust.h"
#include "notes/imap/imap_codes.h"
#include "notes/imap/keyring.h"
#include "notes/notes.h"
#include "support/keyring_session.h"
#include "support/temp_dir.h"

namespace vantor::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::HasSubstr;
using ::testing::Not;
using imap::Account;
using imap::FolderRef;
using imap::SearchTerm;
using imap::UidSet;

// The clock outages are measured with.
class ClockEnv : public EnvWrapper {
public:
    ClockEnv() : EnvWrapper(Env::Default()) {}
    QDateTime now() override { return now_; }
    QDateTime now_ = QDateTime(QDate(2026, 12, 8), QTime(10, 0));
};

const QByteArray kWithAttachment =
    "From: Paul Martin <paul@example.com>\r\nTo: jean@example.com\r\nSubject: Devis\r\n"
    "Message-ID: <devis@example.com>\r\nMIME-Version: 1.0\r\n"
    "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
    "Content-Type: text/plain; charset=utf-8\r\n\r\nCi-joint le devis.\r\n--b\r\n"
    "Content-Type: application/pdf; name=\"devis.pdf\"\r\n"
    "Content-Disposition: attachment; filename=\"devis.pdf\"\r\n"
    "Content-Transfer-Encoding: base64\r\n\r\nJVBERi0xLjQK\r\n--b--\r\n";

class AccountTest : public ImapTest {
protected:
    void SetUp() override {
        ImapTest::SetUp();
        if (IsSkipped()) return;
        account_ = makeAccount();
    }
    void TearDown() override { account_.reset(); }

    std::unique_ptr<Account> makeAccount(const QString& sessionPassword = QString()) {
        imap::AccountSettings s;
        s.address = *imap::ServerAddress::parse(server_->address(login_));
        s.env = &env_;
        s.trustFile = dir_.file(QStringLiteral("certificats.txt"));
        s.log = [this](const QString& line) { log_ << line; };
        s.connection.connectTimeoutMs = 3000;
        auto a = std::make_unique<Account>(network_, s);
        a->setSessionPassword(sessionPassword.isNull() ? password_ : sessionPassword);
        return a;
    }

    // The UIDs of a folder, as the server says.
    UidSet all(const QByteArray& folder) {
        return account_->search(FolderRef{folder}, {SearchTerm::atom("ALL")});
    }

    ClockEnv env_;
    TempDir dir_;
    QStringList log_;
    std::unique_ptr<Account> account_;
};

TEST_F(AccountTest, FoldersShowDecodedPathsWithBackslashAndSpecialUse) {
    for (const QString& path : {QStringLiteral("Projets\\Atlas"), QStringLiteral("Martin & Fils"),
                                QStringLiteral("Été")})
        account_->create(account_->rawName(path));
    std::map<QString, imap::Folder> byPath;
    for (const imap::Folder& f : account_->folders()) byPath[f.path] = f;
    EXPECT_EQ(byPath[QStringLiteral("Projets\\Atlas")].raw, "Projets/Atlas");
    EXPECT_EQ(byPath[QStringLiteral("Martin & Fils")].raw, "Martin &- Fils");
    EXPECT_EQ(byPath[QStringLiteral("Été")].raw, "&AMk-t&AOk-");
    EXPECT_EQ(byPath[QStringLiteral("Trash")].specialUse, imap::SpecialUse::Trash);
    EXPECT_EQ(byPath[QStringLiteral("INBOX")].specialUse, imap::SpecialUse::None);
    EXPECT_TRUE(byPath.count(QStringLiteral("Projets")));
}

TEST_F(AccountTest, StatusOfManyFoldersIsOneBatchThatSaysWhichAreMissing) {
    server_->deliver(login_, DovecotServer::message(QStringLiteral("Un")));
    const auto s = account_->status({"INBOX", "Trash", "Absent"});
    ASSERT_EQ(s.size(), 3u);
    EXPECT_TRUE(s[0].found);
    EXPECT_EQ(s[0].uidNext, 2u);
    EXPECT_EQ(s[0].messages, 1u);
    EXPECT_TRUE(s[0].highestModSeq.has_value());
    EXPECT_TRUE(s[1].found);
    EXPECT_FALSE(s[2].found);
}

TEST_F(AccountTest, SummariesAndSectionsAreReadWithoutMarkingTheMessageRead) {
    server_->deliver(login_, kWithAttachment);
    const UidSet uids = all("INBOX");
    ASSERT_EQ(uids.count(), 1u);
    const auto summaries = account_->fetchSummaries(FolderRef{"INBOX"}, uids);
    ASSERT_EQ(summaries.size(), 1u);
    const imap::MessageSummary& m = summaries[0];
    EXPECT_EQ(m.envelope.subject, "Devis");
    EXPECT_EQ(m.envelope.from[0].mailbox, "paul");
    EXPECT_THAT(m.headerFields.toStdString(), HasSubstr("Message-ID: <devis@example.com>"));
    ASSERT_TRUE(m.body);
    ASSERT_EQ(m.body->parts.size(), 2u);
    EXPECT_EQ(m.body->parts[1].parameter("filename"), "devis.pdf");
    EXPECT_EQ(account_->fetchSection(FolderRef{"INBOX"}, m.uid, "2"), "JVBERi0xLjQK");
    EXPECT_EQ(account_->fetchSection(FolderRef{"INBOX"}, m.uid, ""), kWithAttachment);
    EXPECT_FALSE(account_->fetchSection(FolderRef{"INBOX"}, m.uid + 1, ""));
    const auto after = account_->fetchSummaries(FolderRef{"INBOX"}, uids);
    EXPECT_THAT(after[0].flags, Not(Contains("\\Seen")));
}

TEST_F(AccountTest, AppendKeepsDateAndFlagsAndSearchFindsAccentedWords) {
    const QDateTime date(QDate(2025, 3, 1), QTime(8, 30), Qt::UTC);
    const auto appended = account_->append(
        "INBOX", DovecotServer::message(QStringLiteral("Réunion d'été")), {"\\Flagged", "$VantorCopie"}, date);
    ASSERT_TRUE(appended);
    const auto m = account_->fetchSummaries(FolderRef{"INBOX"}, UidSet::of({appended->uid}));
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].internalDate, date);
    EXPECT_THAT(m[0].flags, ::testing::IsSupersetOf({"\\Flagged", "$VantorCopie"}));
    EXPECT_EQ(account_->search(FolderRef{"INBOX"}, {SearchTerm::atom("SUBJECT"),
                                                    SearchTerm::text(QStringLiteral("été"))})
                  .toBytes(),
              QByteArray::number(appended->uid));
    EXPECT_TRUE(account_->search(FolderRef{"INBOX"}, {SearchTerm::atom("SUBJECT"),
                                                      SearchTerm::text(QStringLiteral("hiver"))})
                    .isEmpty());
}

// Dovecot answers STATUS of the folder a session has selected from that
// session's stale view: the scan then missed mail that IDLE had announced.
class StatusOfTheSelectedFolder : public AccountTest, public ::testing::WithParamInterface<bool> {
    DovecotOptions serverOptions() const override {
        return GetParam() ? DovecotOptions{} : DovecotOptions{.without = {QStringLiteral("UNSELECT")}};
    }
};

TEST_P(StatusOfTheSelectedFolder, SeesMailDeliveredWhileTheFolderWasSelected) {
    server_->deliver(login_, DovecotServer::message(QStringLiteral("Un")));
    EXPECT_EQ(all("INBOX").toBytes(), "1");  // INBOX stays selected
    server_->deliver(login_, DovecotServer::message(QStringLiteral("Deux")));
    EXPECT_EQ(account_->status({"INBOX"})[0].uidNext, 3u);
    EXPECT_EQ(all("INBOX").toBytes(), "1:2");
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutUnselect, StatusOfTheSelectedFolder, ::testing::Bool());

class Moves : public AccountTest, public ::testing::WithParamInterface<bool> {
    DovecotOptions serverOptions() const override {
        return GetParam() ? DovecotOptions{} : DovecotOptions{.without = {QStringLiteral("MOVE")}};
    }
};

TEST_P(Moves, CopyMoveAndExpungeTouchExactlyTheUidsAsked) {
    for (const char* s : {"Un", "Deux", "Trois"})
        server_->deliver(login_, DovecotServer::message(QString::fromLatin1(s)));
    account_->create("Archives");
    const auto copied = account_->copy(FolderRef{"INBOX"}, UidSet::of({1}), "Archives");
    ASSERT_TRUE(copied);
    EXPECT_EQ(copied->destination.toBytes(), "1");
    const auto moved = account_->move(FolderRef{"INBOX"}, UidSet::of({2}), "Archives");
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->destination.toBytes(), "2");
    EXPECT_EQ(all("INBOX").toBytes(), "1,3");
    EXPECT_EQ(all("Archives").toBytes(), "1:2");

    // A message another program marked \Deleted is not ours to remove.
    account_->storeFlags(FolderRef{"INBOX"}, UidSet::of({3}), {"\\Deleted"}, true);
    account_->expunge(FolderRef{"INBOX"}, UidSet::of({1}));
    EXPECT_EQ(all("INBOX").toBytes(), "3");
    account_->storeFlags(FolderRef{"INBOX"}, UidSet::of({3}), {"\\Deleted"}, false);
    EXPECT_THAT(account_->fetchSummaries(FolderRef{"INBOX"}, UidSet::of({3}))[0].flags,
                Not(Contains("\\Deleted")));
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutMove, Moves, ::testing::Bool());

TEST_F(AccountTest, UidsOfAFolderRecreatedMeanNothingThere) {
    account_->create("Dossier");
    const auto first = account_->status({"Dossier"})[0];
    auto other = connect();  // another mail program recreates the folder
    other->exchange({imap::Command("DELETE").astring("Dossier"), imap::Command("CREATE").astring("Dossier")});
    try {
        account_->storeFlags(FolderRef{"Dossier", first.uidValidity}, UidSet::of({1}), {"\\Seen"}, true);
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), imap::code::kFolderRenumbered);
    }
}

class WithoutUidplus : public AccountTest {
    DovecotOptions serverOptions() const override {
        return {.without = {QStringLiteral("MOVE"), QStringLiteral("UIDPLUS")}};
    }
};

TEST_F(WithoutUidplus, MoveAndExpungeAreRefusedBeforeAnythingIsDone) {
    server_->deliver(login_, DovecotServer::message(QStringLiteral("Un")));
    for (auto action : {std::function<void()>([&] { account_->move(FolderRef{"INBOX"}, UidSet::of({1}), "Trash"); }),
                        std::function<void()>([&] { account_->expunge(FolderRef{"INBOX"}, UidSet::of({1})); })}) {
        try {
            action();
            FAIL();
        } catch (const Failure& f) {
            EXPECT_EQ(f.code(), imap::code::kNotSupported);
        }
    }
    EXPECT_EQ(all("INBOX").toBytes(), "1");
    EXPECT_TRUE(all("Trash").isEmpty());
    EXPECT_THAT(account_->fetchSummaries(FolderRef{"INBOX"}, UidSet::of({1}))[0].flags,
                Not(Contains("\\Deleted")));
}

TEST_F(AccountTest, OutageFailsAtOnceInsideADelayThatDoublesAndEndsWithTheFirstSuccess) {
    server_->freeze();  // accepts, then says nothing
    auto expectUnavailable = [&](const char* words) {
        try {
            account_->status({"INBOX"});
            FAIL();
        } catch (const Failure& f) {
            EXPECT_EQ(f.code(), notes::code::kServerUnavailable);
            EXPECT_THAT(f.description().toStdString(), HasSubstr(words));
        }
    };
    expectUnavailable("pas de réponse à la connexion");
    EXPECT_EQ(account_->nextTry(), env_.now_.addSecs(5));
    const qint64 read = account_->bytesRead();
    expectUnavailable("nouvel essai à 10:00:05");  // inside the delay: no try at all
    EXPECT_EQ(account_->bytesRead(), read);
    env_.now_ = env_.now_.addSecs(6);
    expectUnavailable("pas de réponse à la connexion");
    EXPECT_EQ(account_->nextTry(), env_.now_.addSecs(10));
    server_->thaw();
    env_.now_ = env_.now_.addSecs(10);
    EXPECT_TRUE(account_->status({"INBOX"})[0].found);
    EXPECT_FALSE(account_->nextTry().isValid());
}

TEST_F(AccountTest, IdleCallsTheListenerOnTheAccountsThreadWhenMailArrives) {
    QEventLoop loop;
    QThread* calledOn = nullptr;
    account_->setNewMailListener([&] {
        calledOn = QThread::currentThread();
        loop.quit();
    });
    account_->status({"INBOX"});  // the watch starts with the account's first operation
    server_->deliver(login_, DovecotServer::message(QStringLiteral("Nouveau")));
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    if (!calledOn) loop.exec();
    EXPECT_EQ(calledOn, QThread::currentThread());
}

class SelfSignedAccount : public AccountTest {
    DovecotOptions serverOptions() const override { return {.tls = QStringLiteral("self-signed")}; }
};

TEST_F(SelfSignedAccount, CertificateTrustedInTheFileIsAcceptedAndOtherLinesAreLoggedOnce) {
    const QString fingerprint =
        imap::fingerprintOf(QSslCertificate::fromPath(server_->caFile()).first());
    QFile file(dir_.file(QStringLiteral("certificats.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("# serveur de test\n\nn'importe quoi\n" + account_->address().hostPort() + "  " +
                fingerprint.toLower() + "\n")
                   .toUtf8());
    file.close();
    EXPECT_TRUE(account_->status({"INBOX"})[0].found);
    makeAccount()->status({"INBOX"});
    ASSERT_EQ(log_.size(), 1);
    EXPECT_THAT(log_[0].toStdString(), HasSubstr("n'importe quoi"));
}

TEST_F(AccountTest, KeyringGetsTheSessionPasswordThatLoggedInAndIsThenPreferredToIt) {
    KeyringSession keyring;
    if (!keyring.available()) GTEST_SKIP() << keyring.why().toStdString();
    const QString key = account_->address().account();
    EXPECT_FALSE(imap::readKeyring(key, 5000).password);
    account_->connect();
    EXPECT_EQ(imap::readKeyring(key, 5000).password, password_);

    auto wrongSession = makeAccount(QStringLiteral("faux"));
    wrongSession->connect();  // the keyring's password

    ASSERT_TRUE(imap::writeKeyring(key, QStringLiteral("périmé"), 5000));
    try {
        makeAccount()->connect();
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), notes::code::kWrongPassword);
        EXPECT_THAT(f.description().toStdString(), HasSubstr("trousseau"));
    }
}

}  // namespace
}  // namespace vantor::test
