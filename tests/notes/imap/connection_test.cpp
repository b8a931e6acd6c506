// Connections against a real Dovecot: TLS at once and by STARTTLS, the
// certificate rule, login, pipelined commands with literals, and the ends
// a dead or silent server gives, never a hang.
#include <QSslCertificate>
#include <QTimer>

#include "imap_fixture.h"
#include "notes/imap/certificate_trust.h"
#include "notes/imap/imap_codes.h"
#include "notes/notes.h"

namespace vantor::test {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using imap::Command;

std::string text(const Failure& f) { return f.description().toStdString(); }

class Connections : public ImapTest, public ::testing::WithParamInterface<bool> {};

TEST_P(Connections, LogInOverTlsAndReportCapabilitiesAndBytesRead) {
    auto c = connect(GetParam());
    EXPECT_TRUE(c->isOpen());
    EXPECT_TRUE(c->capabilities().has("IMAP4rev1"));
    EXPECT_TRUE(c->capabilities().has("UIDPLUS"));  // the list after login, not before
    EXPECT_FALSE(c->capabilities().has("STARTTLS"));
    const qint64 before = c->bytesRead();
    EXPECT_GT(before, 0);
    const auto r = c->exchange({Command("NOOP")});
    EXPECT_TRUE(r.completions[0].ok());
    EXPECT_GT(c->bytesRead(), before);
}

INSTANTIATE_TEST_SUITE_P(ImapsAndStartTls, Connections, ::testing::Values(true, false));

TEST_F(ImapTest, WrongPasswordIsRefusedNamingTheAccount) {
    imap::Connection c(network_, settings());
    try {
        c.open(QStringLiteral("faux"), {});
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), notes::code::kWrongPassword);
        EXPECT_THAT(text(f), HasSubstr(server_->address(login_).toStdString()));
    }
    EXPECT_FALSE(c.isOpen());
}

TEST_F(ImapTest, NothingListeningIsServerUnavailableNamingTheServer) {
    imap::ConnectionSettings s = settings();
    server_.reset();  // the port is free again
    imap::Connection c(network_, s);
    try {
        c.open(password_, {});
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), notes::code::kServerUnavailable);
        EXPECT_THAT(text(f), AllOf(HasSubstr(s.address.hostPort().toStdString()),
                                   HasSubstr("connexion refusée")));
    }
}

class SelfSigned : public ImapTest {
    DovecotOptions serverOptions() const override { return {.tls = QStringLiteral("self-signed")}; }
};

TEST_F(SelfSigned, CertificateIsRefusedUntilItsExactFingerprintIsTrusted) {
    const QString fingerprint = imap::fingerprintOf(QSslCertificate::fromPath(server_->caFile()).first());
    const QString line = settings().address.hostPort() + QLatin1Char(' ') + fingerprint;
    imap::Connection c(network_, settings());
    try {
        c.open(password_, {QStringLiteral("00:") + fingerprint.mid(3)});
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), imap::code::kCertificateRefused);
        EXPECT_THAT(text(f), AllOf(HasSubstr("« certificats.txt »"), HasSubstr(line.toStdString()),
                                   HasSubstr("aucune autorité reconnue")));
    }
    c.open(password_, {fingerprint});
    EXPECT_TRUE(c.isOpen());
}

class WithoutLiteralPlus : public ImapTest {
    DovecotOptions serverOptions() const override {
        return {.without = {QStringLiteral("LITERAL+"), QStringLiteral("SASL-IR")}};
    }
};

TEST_F(WithoutLiteralPlus, LiteralsWaitForTheServerAndThePipelineGoesOnAfterThem) {
    auto c = connect();  // AUTHENTICATE PLAIN answered after the server's "+"
    EXPECT_FALSE(c->capabilities().has("LITERAL+"));
    const QByteArray message = DovecotServer::message(QStringLiteral("Un"));
    std::vector<Command> batch;
    batch.emplace_back("APPEND");
    batch.back().astring("INBOX").literal(message);
    batch.emplace_back("APPEND");
    batch.back().astring("Absent").literal(message);  // refused before its bytes
    batch.emplace_back("SELECT");
    batch.back().astring("INBOX");
    const auto r = c->exchange(std::move(batch));
    ASSERT_EQ(r.completions.size(), 3u);
    EXPECT_TRUE(r.completions[0].ok());
    EXPECT_EQ(r.completions[1].status, "NO");
    EXPECT_TRUE(r.completions[2].ok());
    EXPECT_TRUE(std::any_of(r.untagged.begin(), r.untagged.end(), [](const imap::Response& u) {
        return u.name == "EXISTS" && u.number == 1u;
    }));
}

TEST_F(ImapTest, ServerThatStopsAnsweringEndsTheWaitWhileTheCallersEventsRun) {
    imap::ConnectionSettings s = settings();
    s.responseTimeoutMs = 1000;
    imap::Connection c(network_, s);
    c.open(password_, {});
    server_->freeze();
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(10);
    try {
        c.exchange({Command("NOOP")});
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), notes::code::kServerUnavailable);
        EXPECT_THAT(text(f), HasSubstr("plus de réponse"));
    }
    EXPECT_GT(ticks, 0);
    EXPECT_FALSE(c.isOpen());
    server_->thaw();
}

TEST_F(ImapTest, ConnectionCutWhileAResponseIsAwaitedIsServerUnavailable) {
    auto c = connect();
    server_->freeze();
    bool cut = false;
    QTimer::singleShot(0, [&] {
        server_->cutSessions();
        server_->thaw();
        cut = true;
    });
    try {
        c->exchange({Command("NOOP")});
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), notes::code::kServerUnavailable);
        EXPECT_THAT(text(f), HasSubstr("coupée au milieu d'une réponse"));
    }
    EXPECT_TRUE(cut);
    c->open(password_, {});  // the same object connects again
    EXPECT_TRUE(c->exchange({Command("NOOP")}).completions[0].ok());
}

class PlainOnly : public ImapTest {
    DovecotOptions serverOptions() const override { return {.tls = QStringLiteral("none")}; }
};

TEST_F(PlainOnly, LinkWithoutTlsIsAllowedToThisMachine) {
    auto c = connect(false);
    EXPECT_TRUE(c->isOpen());
}

}  // namespace
}  // namespace vantor::test
