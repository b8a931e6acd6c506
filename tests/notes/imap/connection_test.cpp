// Connections against a real Dovecot: TLS at once and by STARTTLS, literals in a
// pipeline, and the ends a silent or cut server gives, never a hang.
#include <QTimer>

#include "imap_fixture.h"
#include "notes/imap/imap_codes.h"
#include "notes/notes.h"
#include "notes/notes_checks.h"

namespace vantor::test {
namespace {

using imap::Command;

class Connections : public ImapTest, public ::testing::WithParamInterface<bool> {};

TEST_P(Connections, LogInOverTlsAndReportTheCapabilitiesGivenAfterLogin) {
    auto c = connect(GetParam());
    EXPECT_TRUE(c->capabilities().has("UIDPLUS"));
    EXPECT_FALSE(c->capabilities().has("STARTTLS"));
    EXPECT_TRUE(c->exchange({Command("NOOP")}).completions[0].ok());
}

INSTANTIATE_TEST_SUITE_P(ImapsAndStartTls, Connections, ::testing::Values(true, false));

struct WithoutLiteralPlus : ImapTest {
    WithoutLiteralPlus() { options_.without = {"LITERAL+", "SASL-IR"}; }
};

TEST_F(WithoutLiteralPlus, LiteralsWaitForTheServerAndThePipelineGoesOnAfterThem) {
    auto c = connect();  // AUTHENTICATE PLAIN answered after the server's "+"
    const QByteArray message = DovecotServer::message(QStringLiteral("Un"));
    std::vector<Command> batch(3, Command("APPEND"));
    batch[0].astring("INBOX").literal(message);
    batch[1].astring("Absent").literal(message);  // refused before its bytes
    batch[2] = Command("SELECT");
    batch[2].astring("INBOX");
    const auto r = c->exchange(std::move(batch));
    ASSERT_EQ(r.completions.size(), 3u);
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
    EXPECT_THAT([&] { c.exchange({Command("NOOP")}); },
                Fails(notes::code::kServerUnavailable, QHasSubstr("plus de réponse")));
    EXPECT_GT(ticks, 0);
    EXPECT_FALSE(c.isOpen());
    server_->thaw();
}

TEST_F(ImapTest, ConnectionCutWhileAResponseIsAwaitedIsServerUnavailable) {
    auto c = connect();
    server_->freeze();
    QTimer::singleShot(0, [&] {
        server_->cutSessions();
        server_->thaw();
    });
    EXPECT_THAT(
        [&] { c->exchange({Command("NOOP")}); },
        Fails(notes::code::kServerUnavailable, QHasSubstr("coupée au milieu d'une réponse")));
    c->open(password_, {});  // the same object connects again
    EXPECT_TRUE(c->exchange({Command("NOOP")}).completions[0].ok());
}

struct PlainOnly : ImapTest {
    PlainOnly() { options_.tls = "none"; }
};

TEST_F(PlainOnly, LinkWithoutTlsIsAllowedToThisMachine) {
    EXPECT_TRUE(connect(false)->isOpen());
}

}  // namespace
}  // namespace vantor::test
