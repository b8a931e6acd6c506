// The account's operations against a real Dovecot, each result checked on the
// server; the outage's growing delay, IDLE's news, certificates and the keyring.
#include "notes/imap/account.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include "imap_fixture.h"
#include "notes/imap/certificate_trust.h"
#include "notes/imap/imap_codes.h"
#include "notes/imap/keyring.h"
#include "notes/notes.h"
#include "notes/notes_checks.h"
#include "support/file_bytes.h"
#include "support/keyring_session.h"
#include "support/temp_dir.h"
#include "support/test_env.h"

namespace vantor::test {
namespace {

using imap::Account;
using imap::FolderRef;
using imap::SearchTerm;
using imap::UidSet;
using namespace ::testing;  // gmock matchers

const FolderRef kInbox{"INBOX"};

const QByteArray kWithAttachment =
    "From: Paul Martin <paul@example.com>\r\nSubject: Devis\r\n"
    "Message-ID: <devis@example.com>\r\nMIME-Version: 1.0\r\n"
    "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
    "Content-Type: text/plain; charset=utf-8\r\n\r\nCi-joint le devis.\r\n--b\r\n"
    "Content-Type: application/pdf\r\n"
    "Content-Disposition: attachment; filename=\"devis.pdf\"\r\n"
    "Content-Transfer-Encoding: base64\r\n\r\nJVBERi0xLjQK\r\n--b--\r\n";

class AccountTest : public ImapTest {
  protected:
    void SetUp() override {
        ImapTest::SetUp();
        if (IsSkipped()) return;
        env_.clock = QDateTime(QDate(2026, 12, 8), QTime(10, 0));  // outages are timed by it
        account_ = makeAccount();
    }

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
    std::vector<QByteArray> flags(quint32 uid) {
        return account_->fetchSummaries(kInbox, UidSet::of({uid})).at(0).flags;
    }

    TestEnv env_;
    TempDir dir_;
    QStringList log_;
    std::unique_ptr<Account> account_;
};

TEST_F(AccountTest, FoldersShowBackslashPathsAndSpecialUseAndTheirStatusIsOneBatch) {
    account_->create(account_->rawName("Projets\\Atlas"));
    std::map<QString, imap::Folder> byPath;
    for (const imap::Folder& f : account_->folders()) byPath[f.path] = f;
    EXPECT_EQ(byPath["Projets\\Atlas"].raw, "Projets/Atlas");
    EXPECT_TRUE(byPath.count("Projets"));
    EXPECT_EQ(byPath["Trash"].specialUse, imap::SpecialUse::Trash);

    server_->deliver(login_, DovecotServer::message("Un"));
    const auto s = account_->status({"INBOX", "Absent"});
    EXPECT_EQ(std::tuple(s.at(0).found, s[0].uidNext, s[0].messages), std::tuple(true, 2u, 1u));
    EXPECT_TRUE(s[0].highestModSeq.has_value());
    EXPECT_FALSE(s.at(1).found);
}

TEST_F(AccountTest, SummariesAndSectionsAreReadWithoutMarkingTheMessageRead) {
    server_->deliver(login_, kWithAttachment);
    const auto m = account_->fetchSummaries(kInbox, all("INBOX")).at(0);
    EXPECT_THAT(m.headerFields, QHasSubstr("Message-ID: <devis@example.com>"));
    EXPECT_EQ(m.body->parts.size(), 2u);
    EXPECT_EQ(account_->fetchSection(kInbox, m.uid, "2"), "JVBERi0xLjQK");
    EXPECT_EQ(account_->fetchSection(kInbox, m.uid, ""), kWithAttachment);
    EXPECT_FALSE(account_->fetchSection(kInbox, m.uid + 1, ""));
    EXPECT_THAT(flags(m.uid), Not(Contains("\\Seen")));
}

TEST_F(AccountTest, AppendKeepsDateAndFlagsAndSearchFindsAccentedWords) {
    const QDateTime date(QDate(2025, 3, 1), QTime(8, 30), Qt::UTC);
    const quint32 uid = account_
                            ->append("INBOX", DovecotServer::message("Réunion d'été"),
                                     {"\\Flagged", "$VantorCopie"}, date)
                            ->uid;
    EXPECT_EQ(account_->fetchSummaries(kInbox, UidSet::of({uid})).at(0).internalDate, date);
    EXPECT_THAT(flags(uid), IsSupersetOf({"\\Flagged", "$VantorCopie"}));
    const auto subject = [&](const char* word) {
        return account_->search(
            kInbox, {SearchTerm::atom("SUBJECT"), SearchTerm::text(QString::fromUtf8(word))});
    };
    EXPECT_EQ(subject("été").toBytes(), QByteArray::number(uid));
    EXPECT_TRUE(subject("hiver").isEmpty());
}

// Dovecot answers STATUS of a session's selected folder from that session's
// stale view: the scan IDLE started then missed the mail it announced.
struct StatusOfTheSelectedFolder : AccountTest, ::testing::WithParamInterface<bool> {
    StatusOfTheSelectedFolder() {
        options_.without = GetParam() ? QStringList() : QStringList{"UNSELECT"};
    }
};

TEST_P(StatusOfTheSelectedFolder, SeesMailDeliveredWhileTheFolderWasSelected) {
    server_->deliver(login_, DovecotServer::message(QStringLiteral("Un")));
    EXPECT_EQ(all("INBOX").toBytes(), "1");  // INBOX stays selected
    server_->deliver(login_, DovecotServer::message(QStringLiteral("Deux")));
    EXPECT_EQ(account_->status({"INBOX"})[0].uidNext, 3u);
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutUnselect, StatusOfTheSelectedFolder, ::testing::Bool());

struct Moves : AccountTest, ::testing::WithParamInterface<bool> {
    Moves() { options_.without = GetParam() ? QStringList() : QStringList{"MOVE"}; }
};

TEST_P(Moves, CopyMoveAndExpungeTouchExactlyTheUidsAsked) {
    for (const char* s : {"Un", "Deux", "Trois"})
        server_->deliver(login_, DovecotServer::message(QString::fromLatin1(s)));
    account_->create("Archives");
    EXPECT_EQ(account_->copy(kInbox, UidSet::of({1}), "Archives")->destination.toBytes(), "1");
    EXPECT_EQ(account_->move(kInbox, UidSet::of({2}), "Archives")->destination.toBytes(), "2");
    EXPECT_EQ(all("INBOX").toBytes(), "1,3");
    EXPECT_EQ(all("Archives").toBytes(), "1:2");

    // A message another program marked \Deleted is not ours to remove.
    account_->storeFlags(kInbox, UidSet::of({3}), {"\\Deleted"}, true);
    account_->expunge(kInbox, UidSet::of({1}));
    EXPECT_EQ(all("INBOX").toBytes(), "3");
    account_->storeFlags(kInbox, UidSet::of({3}), {"\\Deleted"}, false);
    EXPECT_THAT(flags(3), Not(Contains("\\Deleted")));
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutMove, Moves, ::testing::Bool());

TEST_F(AccountTest, UidsOfAFolderRecreatedMeanNothingThere) {
    account_->create("Dossier");
    const auto first = account_->status({"Dossier"})[0];
    auto other = connect();  // another mail program recreates the folder
    other->exchange(
        {imap::Command("DELETE").astring("Dossier"), imap::Command("CREATE").astring("Dossier")});
    EXPECT_EQ(failureCode([&] {
                  account_->storeFlags(FolderRef{"Dossier", first.uidValidity}, UidSet::of({1}),
                                       {"\\Seen"}, true);
              }),
              imap::code::kFolderRenumbered);
}

struct WithoutUidplus : AccountTest {
    WithoutUidplus() { options_.without = {"MOVE", "UIDPLUS"}; }
};

TEST_F(WithoutUidplus, MoveAndExpungeAreRefusedBeforeAnythingIsDone) {
    server_->deliver(login_, DovecotServer::message("Un"));
    EXPECT_EQ(failureCode([&] { account_->move(kInbox, UidSet::of({1}), "Trash"); }),
              imap::code::kNotSupported);
    EXPECT_EQ(failureCode([&] { account_->expunge(kInbox, UidSet::of({1})); }),
              imap::code::kNotSupported);
    EXPECT_EQ(all("INBOX").toBytes(), "1");
    EXPECT_THAT(flags(1), Not(Contains("\\Deleted")));
}

TEST_F(AccountTest, OutageFailsAtOnceInsideADelayThatDoublesAndEndsWithTheFirstSuccess) {
    server_->freeze();  // accepts, then says nothing
    const auto expectUnavailable = [&](const char* words) {
        EXPECT_THAT([&] { account_->status({"INBOX"}); },
                    Fails(notes::code::kServerUnavailable, QHasSubstr(words)));
    };
    expectUnavailable("pas de réponse à la connexion");
    EXPECT_EQ(account_->nextTry(), env_.clock->addSecs(5));
    const qint64 read = account_->bytesRead();
    expectUnavailable("nouvel essai à 10:00:05");  // inside the delay: no try at all
    EXPECT_EQ(account_->bytesRead(), read);
    env_.advance(6000);
    expectUnavailable("pas de réponse à la connexion");
    EXPECT_EQ(account_->nextTry(), env_.clock->addSecs(10));
    server_->thaw();
    env_.advance(10000);
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
    server_->deliver(login_, DovecotServer::message("Nouveau"));
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    if (!calledOn) loop.exec();
    EXPECT_EQ(calledOn, QThread::currentThread());
}

struct SelfSignedAccount : AccountTest {
    SelfSignedAccount() { options_.tls = "self-signed"; }
};

TEST_F(SelfSignedAccount, CertificateIsRefusedUntilItsExactFingerprintIsInTheTrustFile) {
    const QString fingerprint =
        imap::fingerprintOf(QSslCertificate::fromPath(server_->caFile()).first());
    const QString hostPort = account_->address().hostPort();
    const QString file =
        dir_.put("certificats.txt", (hostPort + " 00:" + fingerprint.mid(3)).toUtf8());
    EXPECT_THAT(
        [&] { account_->status({"INBOX"}); },
        Fails(imap::code::kCertificateRefused,
              AllOf(QHasSubstr("« certificats.txt »"), QHasSubstr(hostPort + ' ' + fingerprint),
                    QHasSubstr("aucune autorité reconnue"))));
    // Any case, other lines logged once.
    putBytes(file,
             ("# serveur\n\nn'importe quoi\n" + hostPort + "  " + fingerprint.toLower()).toUtf8());
    EXPECT_TRUE(makeAccount()->status({"INBOX"})[0].found);
    makeAccount()->status({"INBOX"});
    EXPECT_THAT(log_, ElementsAre(QHasSubstr("n'importe quoi")));
}

TEST_F(AccountTest, KeyringGetsTheSessionPasswordThatLoggedInAndIsThenPreferredToIt) {
    KeyringSession keyring;
    if (!keyring.available()) GTEST_SKIP() << keyring.why().toStdString();
    const QString key = account_->address().account();
    EXPECT_FALSE(imap::readKeyring(key, 5000).password);
    account_->connect();
    EXPECT_EQ(imap::readKeyring(key, 5000).password, password_);
    makeAccount("faux")->connect();  // the keyring's password

    ASSERT_TRUE(imap::writeKeyring(key, "périmé", 5000));
    EXPECT_THAT([&] { makeAccount()->connect(); },
                Fails(notes::code::kWrongPassword, QHasSubstr("trousseau")));
}

}  // namespace
}  // namespace vantor::test
