// The session's side of the desktop: which Qt platform the programs ask for,
// the autostart entry that starts Vantor at login, what a program start runs.
#include <gmock/gmock.h>

#include <QDir>

#include "platform/autostart.h"
#include "platform/env.h"
#include "platform/profile_test_files.h"
#include "platform/qt_platform.h"
#include "support/qt_printers.h"
#include "support/temp_dir.h"

namespace vantor::test {
namespace {

using ::testing::HasSubstr;

struct PlatformCase {
    const char* name;
    DisplaySession session;
    std::optional<QByteArray> platform;
    friend void PrintTo(const PlatformCase& c, std::ostream* os) { *os << c.name; }
};

class QtPlatformChoice : public ::testing::TestWithParam<PlatformCase> {};

TEST_P(QtPlatformChoice, WaylandSessionsUseXWaylandWhenOfferedAndTheUsersChoiceStands) {
    EXPECT_EQ(qtPlatformFor(GetParam().session), GetParam().platform);
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, QtPlatformChoice,
    ::testing::Values(
        PlatformCase{"X11", {.x11Display = ":0", .sessionType = "x11"}, std::nullopt},
        PlatformCase{"WaylandWithXWayland",
                     {.waylandDisplay = "wayland-0", .x11Display = ":1"},
                     "xcb;wayland"},
        PlatformCase{"WaylandWithoutXWayland", {.waylandDisplay = "wayland-0"}, "wayland"},
        PlatformCase{"WaylandNamedBySessionTypeOnly",
                     {.x11Display = ":1", .sessionType = "Wayland"},
                     "xcb;wayland"},
        PlatformCase{"UserSetTheVariable",
                     {.qtPlatform = "wayland", .waylandDisplay = "wayland-0", .x11Display = ":1"},
                     std::nullopt},
        PlatformCase{"UserGaveTheArgument",
                     {.platformArgument = true, .waylandDisplay = "wayland-0", .x11Display = ":1"},
                     std::nullopt},
        PlatformCase{"NoDisplayAtAll", {}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QtPlatformChoice, PlatformArgumentIsReadFromTheCommandLine) {
    char program[] = "vantor", flag[] = "-platform", value[] = "wayland";
    char* argv[] = {program, flag, value};
    EXPECT_TRUE(currentDisplaySession(3, argv).platformArgument);
    EXPECT_FALSE(currentDisplaySession(1, argv).platformArgument);
    EXPECT_EQ(platformLimitations("xcb"), QString());
    EXPECT_THAT(platformLimitations("wayland-egl"), QHasSubstr("sans XWayland"));
}

// A folder of the test's own and the system's services.
struct Autostart : ::testing::Test {
    TempDir dir;
    Env& env = *Env::Default();
};
using ProgramStart = Autostart;

TEST(AutostartPath, EntryFollowsXdgConfigHomeOrFallsBackToDotConfig) {
    EXPECT_EQ(autostartEntryPath("/conf", "/home/u"), "/conf/autostart/vantor.desktop");
    // A relative XDG_CONFIG_HOME does not count, as the XDG rules say.
    EXPECT_EQ(autostartEntryPath("conf", "/home/u"), "/home/u/.config/autostart/vantor.desktop");
    EXPECT_EQ(autostartEntryPath("", "/home/u"), "/home/u/.config/autostart/vantor.desktop");
    EXPECT_EQ(autostartEntryPath("", ""), QString());
}

TEST_F(Autostart, CommandIsTheLauncherThatStartedTheProgramElseTheOneBesideItElseItself) {
    const QString exe = dir.file("vantor"), beside = dir.file("vantor-launcher");
    const QString installed = dir.file("installed-launcher");
    EXPECT_EQ(autostartCommand(env, installed, exe), exe);  // named but gone
    putBytes(beside, "#!/bin/sh\n");
    EXPECT_EQ(autostartCommand(env, QString(), exe), beside);
    putBytes(installed, "#!/bin/sh\n");
    EXPECT_EQ(autostartCommand(env, installed, exe), installed);
}

TEST_F(Autostart, SwitchedOnWritesAnEntryQuotingAnyPathAndMakesTheFolders) {
    const QString path = autostartEntryPath("", dir.path().toUtf8());  // no .config yet
    const QString command = QStringLiteral("/opt/Mes Applis/v$a\"l`%u\\e/vantor-launcher");
    EXPECT_FALSE(autostartEnabled(env, path));

    ASSERT_TRUE(enableAutostart(env, path, command));
    EXPECT_TRUE(autostartEnabled(env, path));
    EXPECT_THAT(env.readFile(path).value_or(QByteArray()).toStdString(),
                HasSubstr("\nExec=\"/opt/Mes Applis/v\\\\$a\\\\\"l\\\\`%%u\\\\\\\\e/"
                          "vantor-launcher\"\n"));

    EXPECT_FALSE(enableAutostart(env, path, "/opt/a\nb"));
    ASSERT_TRUE(disableAutostart(env, path));
    EXPECT_FALSE(env.fileExists(path));
    EXPECT_TRUE(disableAutostart(env, path));
}

TEST_F(Autostart, EntrySwitchedOffByTheDesktopReadsAsOff) {
    const std::pair<QByteArray, bool> entries[] = {
        {"[Desktop Entry]\nExec=vantor\n", true},
        {"[Desktop Entry]\nExec=vantor\nHidden=true\n", false},
        {"[Desktop Entry]\nExec=vantor\nX-GNOME-Autostart-enabled=false\n", false},
        {"[Desktop Entry]\nExec=vantor\nHidden=false\nX-GNOME-Autostart-enabled=true\n", true},
        {"\xff\xfe garbage", true},  // still an entry the desktop may run
    };
    for (const auto& [text, on] : entries) {
        const QString path = dir.put(QString::number(qHash(text)), text);  // read fresh each time
        EXPECT_EQ(autostartEnabled(env, path), on) << text.toStdString();
    }
}

// The stand-in for a Windows program, and the minimised start asked by argument.
TEST_F(ProgramStart, AMissingExeRunsItsBareNameAndMinimisedAddsTheArgument) {
    const QString exe = dir.file("notes.exe"), bare = dir.file("notes");
    const QStringList args = {"file.nsf"};

    // Neither exists: the start is attempted as asked, and fails there.
    EXPECT_EQ(launchFor(env, exe, args, WindowStyle::NormalFocus).program, exe);

    putBytes(bare, "#!/bin/sh\n");
    ProgramLaunch l = launchFor(env, exe, args, WindowStyle::MinimizedFocus);
    EXPECT_EQ(l.program, bare);
    EXPECT_EQ(l.arguments, QStringList({"--minimized", "file.nsf"}));
    EXPECT_EQ(launchFor(env, dir.file("NOTES.EXE"), {}, WindowStyle::NormalFocus).arguments,
              QStringList());

    putBytes(exe, "MZ");
    EXPECT_EQ(launchFor(env, exe, args, WindowStyle::NormalFocus).program, exe);
}

}  // namespace
}  // namespace vantor::test
