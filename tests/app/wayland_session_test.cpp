// The real `vantor` started as a Wayland session starts it (with-weston.sh), no
// QT_QPA_PLATFORM; each case skips itself in the other session.
#include <QtCore/qtestsupport_core.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <optional>

#include "core/password.h"
#include "platform/cp1252.h"
#include "support/file_bytes.h"
#include "support/mailbox.h"
#include "support/store_tool.h"
#include "support/temp_dir.h"

namespace vantor::test {
namespace {

// A program folder as a user has it, and the program running in it: a
// mailbox, the settings saved with watching at start and a long delay.
struct RunningVantor {
    RunningVantor() : tool(dir.file(QStringLiteral("notesdata"))) {
        QFile::copy(QStringLiteral(VANTOR_EXE), dir.file(QStringLiteral("vantor")));
        tool.mailbox(kServer, kMailbox);
        putBytes(dir.file(QStringLiteral("param.ini")),
                 cp1252::encode(QStringLiteral("[PARAM]\r\nSERVEUR_LOTUS_0=%1\r\nBAL_0=%2\r\n"
                                               "PASSWORD=%3\r\nAUTO=1\r\nDELAI=65\r\n")
                                    .arg(kServer, kMailbox, *CrypteMotDePasse("vantor"))));
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(dir.file(QStringLiteral("vantor")), {});
    }
    ~RunningVantor() {
        process.terminate();
        if (!process.waitForFinished(10000)) process.kill();
    }
    QString log() const { return cp1252::decode(bytesOf(dir.file("erreur_log.txt"))); }

    TempDir dir;
    StoreTool tool;
    QProcess process;
};

QString output(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The X windows titled "Vantor" that show.
QStringList vantorWindows() {
    return output("xdotool", {"search", "--onlyvisible", "--name", "^Vantor$"})
        .split(u'\n', Qt::SkipEmptyParts);
}

// The frame of the first of them that no window manager handles (override-redirect).
std::optional<QRect> unmanagedFrame() {
    for (const QString& id : vantorWindows()) {
        const QString info = output("xwininfo", {"-id", id});
        const auto field = [&info](const QString& name) {
            return QRegularExpression(name + ":\\s*(-?\\d+)").match(info).captured(1).toInt();
        };
        if (info.contains("IsViewable") && info.contains("Override Redirect State: yes"))
            return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"),
                         field("Width"), field("Height"));
    }
    return std::nullopt;
}

// A question for QTest::qWaitFor that asks the display at most four times
// a second (each time runs a few programs), false in between.
template <typename Question>
auto nowAndThen(Question ask) {
    return [ask, last = QElapsedTimer()]() mutable {
        if (last.isValid() && last.elapsed() < 250) return false;
        last.start();
        return ask();
    };
}

// Through XWayland the popup stands at the bottom left, unmanaged so no window
// manager lowers it below the window the user works in.
TEST(WaylandSession, WithXWaylandThePopupStandsBottomLeftAboveTheUsersWindow) {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "no Wayland session with XWayland (tests/support/with-weston.sh)";
    RunningVantor vantor;
    // It runs through XWayland: its settings window is an X window.
    ASSERT_TRUE(QTest::qWaitFor(nowAndThen([] { return !vantorWindows().isEmpty(); }), 30000));

    // Then the user works in a window of their own, maximised over the screen.
    QWidget saisie;
    saisie.showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return saisie.windowHandle()->isExposed(); }, 10000));

    // New mail after the watch started (dated a few seconds on: the watch
    // takes what is later than its start, to the second). The first check,
    // 65 s after the start, shows it.
    vantor.tool.deliver(
        kServer, kMailbox, "Marie Curie/Vantor", "Résultats", "Voici.",
        {"--created", QDateTime::currentDateTime().addSecs(5).toString("yyyy-MM-dd HH:mm:ss")});
    std::optional<QRect> popup;
    const auto shown = [&popup] { return (popup = unmanagedFrame()).has_value(); };
    ASSERT_TRUE(QTest::qWaitFor(nowAndThen(shown), 180000)) << vantor.log().toStdString();

    // Its left edge on the screen's, its bottom 30 pixels (450 twips) above the screen's.
    EXPECT_EQ(popup->left(), 0);
    EXPECT_EQ(QGuiApplication::primaryScreen()->geometry().height() - (popup->bottom() + 1), 30);
}

TEST(WaylandSession, WithoutXWaylandItRunsNativelyAndLogsTheLimitsOnce) {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || !qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "no Wayland session without XWayland (with-weston.sh --no-xwayland)";
    RunningVantor vantor;
    // Started watching, with no notification area here either (logged after).
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return vantor.log().contains("Zone de notification"); }, 30000));
    EXPECT_EQ(vantor.process.state(), QProcess::Running);
    EXPECT_EQ(vantor.log().count("Affichage Wayland sans XWayland"), 1)
        << vantor.log().toStdString();
}

}  // namespace
}  // namespace vantor::test

// The test's own window is an X window (offscreen without XWayland), chosen by
// argument so that the program under test inherits the session's environment.
int main(int argc, char** argv) {
    QByteArray platform = qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb";
    char option[] = "-platform";
    std::vector<char*> arguments(argv, argv + argc);
    arguments.insert(arguments.begin() + 1, {option, platform.data()});
    int count = static_cast<int>(arguments.size());
    QApplication app(count, arguments.data());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
