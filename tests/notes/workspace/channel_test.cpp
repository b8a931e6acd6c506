// The channel to the mail client against a squatter of another user, two
// clients started at once and a client that never answers.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLocalServer>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <cstring>

#include "notes/store_fixture.h"
#include "notes/workspace/client_channel.h"
#include "notes/workspace/workspace_codes.h"
#include "support/temp_dir.h"

namespace vantor::notes {
namespace {

using test::failureCode;
using test::putBytes;

constexpr uid_t kNobody = 65534;

class ChannelTest : public ::testing::Test {
  protected:
    ChannelTest() {
        store::StoreAdmin(root()).setUser(test::kUser, "x", test::kServer, test::kMailbox);
    }
    QString root() const { return dir_.file("notesdata"); }

    // A local socket bound to the client's name, not yet listening.
    int bound() const {
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const QByteArray name = QFile::encodeName(socketPath(root()));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()));
        return ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? s : -1;
    }

    test::TempDir dir_;
};

// Its user is the one in force when it starts listening: root binds the name
// in the private folder, then becomes nobody.
TEST_F(ChannelTest, ASquatterOfAnotherUserGetsNothingAndIsNamedInTheFailure) {
    if (::getuid() != 0) GTEST_SKIP() << "a process of another user needs root";
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const int s = bound();
    const pid_t squatter = ::fork();
    if (squatter == 0) {
        long received = 0;
        pollfd waiting{s, POLLIN, 0};
        if (!::setresgid(kNobody, kNobody, kNobody) && !::setresuid(kNobody, kNobody, kNobody) &&
            !::listen(s, 1) && ::write(report[1], "L", 1) == 1 && ::poll(&waiting, 1, 30000) == 1) {
            pollfd peer{::accept(s, nullptr, nullptr), POLLIN, 0};
            char bytes[4096];
            ssize_t n = 0;
            while (::poll(&peer, 1, 30000) == 1 && (n = ::read(peer.fd, bytes, sizeof bytes)) > 0)
                received += n;
        }
        _exit(::write(report[1], &received, sizeof received) == sizeof received ? 0 : 3);
    }
    ::close(report[1]);
    ::close(s);
    char listening = 0;
    ASSERT_EQ(::read(report[0], &listening, 1), 1);

    EXPECT_THAT(
        [&] { ClientChannel(root()).call(protocol::Show{}); },
        test::Fails(workspace_code::kForeignPeer, test::QHasSubstr("de l'utilisateur 65534")));
    long received = -1;
    EXPECT_EQ(::read(report[0], &received, sizeof received), sizeof received);
    EXPECT_EQ(received, 0);
    ::waitpid(squatter, nullptr, 0);
}

// With a socket left by a client that crashed (no process behind it), or none.
class TwoClientsAtOnce : public ChannelTest, public ::testing::WithParamInterface<bool> {};

TEST_P(TwoClientsAtOnce, LeaveOneRunningThatAnswers) {
    if (GetParam()) ::close(bound());
    const QString ini = dir_.put("notes.ini", "[Notes]\r\nDirectory=" + root().toUtf8() + "\r\n");
    QProcess clients[2];
    for (QProcess& client : clients)
        client.start(QStringLiteral(VANTOR_NOTES_CLIENT), {'=' + ini, "--minimized"});

    // One hands over to the other and ends.
    const auto ended = [&]() -> QProcess* {
        for (QProcess& c : clients)
            if (c.state() == QProcess::NotRunning) return &c;
        return nullptr;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended(); }, 60000));
    EXPECT_EQ(ended()->exitCode(), 0);
    EXPECT_EQ(clients[0].state() == QProcess::Running, clients[1].state() != QProcess::Running);
    EXPECT_EQ(ClientChannel(root()).call(protocol::CurrentWindow{}).value("Window"), "Workspace");
    for (QProcess& client : clients) {
        client.terminate();
        client.waitForFinished(10000);
    }
}

INSTANTIATE_TEST_SUITE_P(StaleSocket, TwoClientsAtOnce, ::testing::Bool());

// The caller's events (the window's painting among them) run during the wait.
TEST_F(ChannelTest, AClientThatNeverAnswersLetsTheCallersEventsRunUntilTheBound) {
    QLocalServer mute;  // accepts, never answers
    ASSERT_TRUE(mute.listen(socketPath(root())));
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(20);
    EXPECT_EQ(failureCode([&] {
                  ClientChannel(root(), {3000, 1000}).call(protocol::CurrentWindow{});
              }),
              workspace_code::kNoAnswer);
    EXPECT_GE(ticks, 2);
}

}  // namespace
}  // namespace vantor::notes
