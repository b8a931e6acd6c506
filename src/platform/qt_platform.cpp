#include "platform/qt_platform.h"

#include <QtGlobal>
#include <cstring>

namespace vantor {

std::optional<QByteArray> qtPlatformFor(const DisplaySession& session) {
    if (!session.qtPlatform.isEmpty() || session.platformArgument) return std::nullopt;
    const bool wayland =
        !session.waylandDisplay.isEmpty() || session.sessionType.toLower() == "wayland";
    if (!wayland) return std::nullopt;
    if (session.x11Display.isEmpty()) return QByteArray("wayland");
    return QByteArray("xcb;wayland");
}

DisplaySession currentDisplaySession(int argc, char** argv) {
    DisplaySession s;
    s.qtPlatform = qgetenv("QT_QPA_PLATFORM");
    s.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    s.x11Display = qgetenv("DISPLAY");
    s.sessionType = qgetenv("XDG_SESSION_TYPE");
    for (int i = 1; i < argc; ++i) {
        // Qt takes "-platform NAME" and "--platform NAME"; either is the user's choice.
        const char* a = argv[i];
        if (std::strcmp(a, "-platform") == 0 || std::strcmp(a, "--platform") == 0)
            s.platformArgument = true;
    }
    return s;
}

void chooseQtPlatform(int argc, char** argv) {
    if (const auto platform = qtPlatformFor(currentDisplaySession(argc, argv)))
        qputenv("QT_QPA_PLATFORM", *platform);
}

bool onXWayland(const QString& platformName) {
    return platformName == QLatin1String("xcb") && !qgetenv("WAYLAND_DISPLAY").isEmpty();
}

QString platformLimitations(const QString& platformName) {
    if (!platformName.startsWith(QLatin1String("wayland"))) return {};
    return QStringLiteral(
        "Affichage Wayland sans XWayland : la popup n'est ni placée en bas à gauche de l'écran "
        "ni maintenue au premier plan, et la fenêtre de Lotus Notes n'est pas amenée au premier "
        "plan ; le compositeur en décide.");
}

}  // namespace vantor
