#include "platform/autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <cerrno>

namespace vantor {
namespace {

const QString kEntryName = QStringLiteral("vantor.desktop");
const QString kLauncherName = QStringLiteral("vantor-launcher");

// An Exec argument: quoted, with the characters that are special inside the
// quotes escaped and % doubled, then the string escape of every value
// (backslash doubled), as the desktop entry rules want it.
QString execArgument(const QString& program) {
    QString quoted;
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
        quoted += c;
        if (c == u'%') quoted += u'%';
    }
    quoted = u'"' + quoted + u'"';
    return quoted.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
}

// A folder and its parent made when missing, as mkdir -p does for two levels.
bool makeFolder(Env& env, const QString& folder) {
    if (env.folderExists(folder)) return true;
    const QString parent = QFileInfo(folder).path();
    if (!env.folderExists(parent) && !env.createFolder(parent)) return false;
    return env.createFolder(folder);
}

}  // namespace

QString autostartEntryPath(const QByteArray& xdgConfigHome, const QByteArray& home) {
    QString config = QFile::decodeName(xdgConfigHome);
    if (!QDir::isAbsolutePath(config)) {
        const QString h = QFile::decodeName(home);
        if (!QDir::isAbsolutePath(h)) return {};
        config = QDir(h).filePath(QStringLiteral(".config"));
    }
    return QDir(config).filePath(QStringLiteral("autostart/") + kEntryName);
}

QString autostartEntryPath() {
    return autostartEntryPath(qgetenv("XDG_CONFIG_HOME"), qgetenv("HOME"));
}

QString autostartCommand(Env& env, const QString& launcher, const QString& executable) {
    if (!launcher.isEmpty() && QDir::isAbsolutePath(launcher) && env.fileExists(launcher))
        return launcher;
    const QString beside = QFileInfo(executable).dir().filePath(kLauncherName);
    return env.fileExists(beside) ? beside : executable;
}

QString autostartCommand(Env& env) {
    return autostartCommand(env, QFile::decodeName(qgetenv("VANTOR_LAUNCHER")),
                            QCoreApplication::applicationFilePath());
}

bool autostartEnabled(Env& env, const QString& path) {
    if (path.isEmpty() || !env.fileExists(path)) return false;
    QSettings entry(path, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    const auto is = [&entry](const QString& key, const char* value) {
        return entry.value(key).toString().trimmed() == QLatin1String(value);
    };
    return !is(QStringLiteral("Hidden"), "true") &&
           !is(QStringLiteral("X-GNOME-Autostart-enabled"), "false");
}

QByteArray autostartEntry(const QString& command) {
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Vantor\n"
               "Comment=Affiche chaque nouveau message Lotus Notes dans une petite fenêtre dès "
               "son arrivée\n"
               "Exec=%1\n"
               "Terminal=false\n"
               "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(command))
        .toUtf8();
}

bool enableAutostart(Env& env, const QString& path, const QString& command) {
    if (path.isEmpty() || command.contains(u'\n') || command.contains(u'\r')) {
        errno = EINVAL;
        return false;
    }
    return makeFolder(env, QFileInfo(path).path()) &&
           env.replaceFile(path, autostartEntry(command));
}

bool disableAutostart(Env& env, const QString& path) {
    if (path.isEmpty() || !env.fileExists(path)) return true;
    return env.removeFile(path);
}

}  // namespace vantor
