// The real `vantor` in a Wayland session (weston, headless, run by
// tests/support/with-weston.sh), started as a session starts it: no
// QT_QPA_PLATFORM. With XWayland it runs there, and its popup stands at the
// bottom left above the window the user works in, as the display and the
// compositor's own picture show; without XWayland it still runs, natively,
// and says once in its log what does not work there. Each case runs in a
// session of its own and skips itself in the other.
#include <QtCore/qtestsupport_core.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegion>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <optional>

#include "core/password.h"
#include "platform/cp1252.h"
#include "support/qt_printers.h"
#include "support/store_tool.h"
#include "support/temp_dir.h"

namespace vantor::test {
namespace {

using ::testing::HasSubstr;

const QString kServeur = QStringLiteral("Paris/Vantor");
const QString kBoite = QStringLiteral("mail\\jdupont.nsf");
// The popup's colour ("COULEUR", which the settings window shares) and the
// user's window's: colours nothing else on the screen has, and which read
// the same whichever way a picture orders its red and blue.
const QRgb kVertPopup = qRgb(0, 0xFF, 0);
const QRgb kMagentaSaisie = qRgb(0xFF, 0, 0xFF);

// A program folder as a user has it: the program, a mailbox, the settings
// saved with watching at start and a popup that stays a minute.
class ProgramFolder {
  public:
    ProgramFolder() : tool(dir.file(QStringLiteral("notesdata"))) {
        EXPECT_TRUE(QFile::copy(QStringLiteral(VANTOR_EXE), program()));
        tool.mailbox(kServeur, kBoite);
        QFile ini(dir.file(QStringLiteral("param.ini")));
        EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(cp1252::encode(QStringLiteral("[PARAM]\r\nSERVEUR_LOTUS_0=%1\r\nBAL_0=%2\r\n"
                                                "PASSWORD=%3\r\nAUTO=1\r\nDELAI=65\r\n"
                                                "COULEUR=00FF00\r\n")
                                     .arg(kServeur, kBoite, *CrypteMotDePasse("vantor"))));
    }
    QString program() const { return dir.file(QStringLiteral("vantor")); }
    QString log() const {
        QFile f(dir.file(QStringLiteral("erreur_log.txt")));
        return f.open(QIODevice::ReadOnly) ? cp1252::decode(f.readAll()) : QString();
    }

    TempDir dir;
    StoreTool tool;
};

// The program running, ended with the test.
struct Running {
    explicit Running(const QString& program) {
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(program, {});
    }
    ~Running() {
        process.terminate();
        if (!process.waitForFinished(10000)) process.kill();
    }
    QProcess process;
};

QString output(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A window of the display as xwininfo reports it.
struct XWindow {
    QRect frame;
    bool viewable = false;
    bool overrideRedirect = false;
};
XWindow xwininfo(const QString& id) {
    const QString text = output(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    const auto field = [&text](const char* name) {
        const QRegularExpression re(QStringLiteral("%1:\\s*(-?\\d+)").arg(QLatin1String(name)));
        return re.match(text).captured(1).toInt();
    };
    return {QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                  field("Height")),
            text.contains(QLatin1String("IsViewable")),
            text.contains(QLatin1String("Override Redirect State: yes"))};
}

// The X windows titled "Vantor" that show.
std::vector<XWindow> vantorWindows() {
    std::vector<XWindow> shown;
    const QString ids =
        output(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--name", "^Vantor$"});
    for (const QString& id : ids.split(u'\n', Qt::SkipEmptyParts)) shown.push_back(xwininfo(id));
    return shown;
}

// The popup: the window of the program that no window manager manages.
std::optional<XWindow> popupShown() {
    for (const XWindow& w : vantorWindows()) {
        if (w.viewable && w.overrideRedirect) return w;
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

// What the compositor shows, as a picture of its output.
QImage compositorPicture(const TempDir& where) {
    QProcess shooter;
    shooter.setWorkingDirectory(where.path());
    shooter.start(QStringLiteral("weston-screenshooter"), {});
    if (!shooter.waitForFinished(30000)) return {};
    const QStringList shots = QDir(where.path()).entryList({QStringLiteral("wayland-screenshot*")});
    return shots.isEmpty() ? QImage() : QImage(where.file(shots.last()));
}

// The share of `area`'s pixels that have `colour`.
double shareOfColour(const QImage& picture, const QRegion& area, QRgb colour) {
    qint64 same = 0, all = 0;
    for (const QRect& r : area) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) same += picture.pixel(x, y) == colour;
        all += static_cast<qint64>(r.width()) * r.height();
    }
    return all == 0 ? 0 : static_cast<double>(same) / static_cast<double>(all);
}

TEST(WaylandSession, WithXWaylandThePopupStandsBottomLeftAboveTheUsersWindow) {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "no Wayland session with XWayland (tests/support/with-weston.sh)";
    ProgramFolder folder;
    Running vantor(folder.program());
    // It runs through XWayland: its settings window is an X window.
    ASSERT_TRUE(QTest::qWaitFor(nowAndThen([] { return !vantorWindows().empty(); }), 30000));
    EXPECT_THAT(folder.log().toStdString(), ::testing::Not(HasSubstr("Wayland")));

    // Then the user works in a window of their own, maximised over the whole screen.
    QWidget saisie;
    saisie.setWindowTitle(QStringLiteral("Travail en cours"));
    QPalette fond = saisie.palette();
    fond.setColor(QPalette::Window, QColor(kMagentaSaisie));
    saisie.setPalette(fond);
    saisie.setAutoFillBackground(true);
    saisie.showMaximized();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return saisie.windowHandle() && saisie.windowHandle()->isExposed(); }, 10000));

    // New mail after the watch started (dated a few seconds on, as the watch
    // takes only what is later than its start, to the second): the first
    // check, 65 s after the start, shows it.
    const QString plusTard =
        QDateTime::currentDateTime().addSecs(5).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    folder.tool.deliver(kServeur, kBoite, QStringLiteral("Marie Curie/Vantor"),
                        QStringLiteral("Résultats"), QStringLiteral("Voici les chiffres."),
                        {QStringLiteral("--created"), plusTard});
    std::optional<XWindow> popup;
    ASSERT_TRUE(
        QTest::qWaitFor(nowAndThen([&] { return (popup = popupShown()).has_value(); }), 180000))
        << folder.log().toStdString();

    // Bottom left: its left edge on the screen's, its bottom 30 pixels (450
    // twips) above the screen's.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(popup->frame.left(), 0);
    EXPECT_EQ(screen.height() - (popup->frame.bottom() + 1), 30) << popup->frame.y();

    // Above the user's window, in the picture the compositor shows: the
    // popup's colour fills most of its place (labels and buttons aside), and
    // the user's window shows beside it.
    const QImage picture = compositorPicture(folder.dir);
    ASSERT_FALSE(picture.isNull()) << "weston-screenshooter gave no picture";
    EXPECT_GT(shareOfColour(picture, popup->frame, kVertPopup), 0.5);
    const QRect beside(popup->frame.right() + 1, popup->frame.top(),
                       screen.width() - popup->frame.width(), popup->frame.height());
    EXPECT_GT(shareOfColour(picture, beside, kMagentaSaisie), 0.9);
}

TEST(WaylandSession, WithoutXWaylandItRunsNativelyAndLogsTheLimitsOnce) {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || !qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "no Wayland session without XWayland (with-weston.sh --no-xwayland)";
    ProgramFolder folder;
    Running vantor(folder.program());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return folder.log().contains(QLatin1String("Affichage Wayland sans XWayland")); },
        30000));
    // Started watching, it keeps running (no tray here either: logged apart).
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return folder.log().contains(QLatin1String("Zone de notification")); }, 30000));
    EXPECT_EQ(vantor.process.state(), QProcess::Running);
    EXPECT_EQ(folder.log().count(QLatin1String("Affichage Wayland")), 1)
        << folder.log().toStdString();
}

}  // namespace
}  // namespace vantor::test
