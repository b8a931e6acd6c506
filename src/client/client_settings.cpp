#include "client/client_settings.h"

#include <QDir>
#include <QFileInfo>

#include "platform/profile_file.h"

namespace vantor::client {

QString notesIniPath(const QStringList& arguments, const QString& programFolder) {
    for (const QString& argument : arguments.mid(1))
        if (argument.size() > 1 && argument.startsWith(QLatin1Char('='))) return argument.mid(1);
    return joinPath(programFolder, QStringLiteral("notes.ini"));
}

QString dataDirectory(Env& env, const QString& iniPath, const QString& programFolder) {
    // The longest path Windows accepts, so that no folder is ever cut short.
    constexpr int kBufferSize = 32767;
    const QString configured =
        profile::getString(env, QStringLiteral("Notes"), QStringLiteral("Directory"), QString(),
                           kBufferSize, iniPath)
            .text;
    if (configured.isEmpty()) return joinPath(programFolder, QStringLiteral("notesdata"));
    const QDir iniFolder = QFileInfo(iniPath).absoluteDir();
    // Written the Windows way ("C:\Notes\Data", "..\data") whatever the system.
    QString folder = configured;
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::cleanPath(iniFolder.filePath(folder));
}

}  // namespace vantor::client
