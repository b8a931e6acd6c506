#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>

#include "platform/local_peer.h"

namespace vantor {
namespace {

// A folder itself (not a link to one), owned by this user, closed to others.
bool isPrivateFolder(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

}  // namespace

std::optional<QString> userRuntimeFolder(QString* why) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(QLatin1Char('/')) && isPrivateFolder(runtime))
        return QDir::cleanPath(runtime);
    const QString own =
        QDir::cleanPath(QDir::tempPath()) + QStringLiteral("/vantor-%1").arg(::getuid());
    // Made private from the start: no moment where another user could enter it.
    if (::mkdir(QFile::encodeName(own).constData(), 0700) != 0 && errno != EEXIST) {
        if (why) *why = QStringLiteral("le dossier %1 ne peut être créé").arg(own);
        return std::nullopt;
    }
    if (isPrivateFolder(own)) return own;
    if (why)
        *why =
            QStringLiteral("le dossier %1 n'est pas un dossier privé de cet utilisateur").arg(own);
    return std::nullopt;
}

QString refusedPeer(qintptr descriptor) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return QStringLiteral(
                   "l'utilisateur du programme à l'autre bout est inconnu (erreur "
                   "système %1)")
            .arg(errno);
    if (peer.uid == ::getuid()) return QString();
    return QStringLiteral(
               "le programme à l'autre bout est celui de l'utilisateur %1 (processus %2)")
        .arg(peer.uid)
        .arg(peer.pid);
}

}  // namespace vantor
