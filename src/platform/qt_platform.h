#pragma once
// Which of Qt's display platforms the programs ask for, decided before the
// application object exists. Under Wayland a client may neither place its
// windows, nor keep them above the others, nor bring another program's
// window forward; through XWayland (Qt's xcb platform) it can do all three,
// as on X11. So a Wayland session that offers XWayland runs the programs
// there, unless the user chose a platform; without XWayland they still run,
// natively, with those limits.
#include <QByteArray>
#include <QString>
#include <optional>

namespace vantor {

// What the session's environment and the command line say about the display.
struct DisplaySession {
    QByteArray qtPlatform{};        // QT_QPA_PLATFORM
    bool platformArgument = false;  // -platform on the command line
    QByteArray waylandDisplay{};    // WAYLAND_DISPLAY
    QByteArray x11Display{};        // DISPLAY, which a compositor sets when it offers XWayland
    QByteArray sessionType{};       // XDG_SESSION_TYPE
};

// The value for QT_QPA_PLATFORM, or nullopt to leave the choice to Qt (or
// to the user, who made it). In a Wayland session: "xcb;wayland" when
// XWayland is offered (Qt falls back to Wayland if XWayland cannot be
// reached after all), "wayland" when it is not.
std::optional<QByteArray> qtPlatformFor(const DisplaySession& session);

// The session of this process.
DisplaySession currentDisplaySession(int argc, char** argv);

// Sets QT_QPA_PLATFORM as qtPlatformFor() says; call before the application object.
void chooseQtPlatform(int argc, char** argv);

// Whether Qt shows on XWayland: `platformName` is "xcb" inside a Wayland
// session. There the compositor's own X window manager places the windows
// it manages, and some (weston's) ignore the position asked for.
bool onXWayland(const QString& platformName);

// What does not work on `platformName` (QGuiApplication::platformName()),
// in French, for the error log; empty where everything does.
QString platformLimitations(const QString& platformName);

}  // namespace vantor
