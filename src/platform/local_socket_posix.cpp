#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstring>

#include "platform/local_socket.h"

namespace vantor {
namespace {

// Waits until `fd` is ready for `events` or the deadline passes; false on timeout.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline) {
    for (;;) {
        const qint64 left = deadline.remainingTime();
        pollfd p{fd, events, 0};
        const int n =
            ::poll(&p, 1, left < 0 ? -1 : static_cast<int>(std::min<qint64>(left, 1 << 30)));
        if (n > 0) return true;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

QString reasonOf(int error) {
    switch (error) {
        case ENOENT:
        case ECONNREFUSED:
            return QStringLiteral("aucun programme n'écoute sur %1");
        case ETIMEDOUT:
            return QStringLiteral("pas de réponse de %1");
        case EACCES:
        case EPERM:
            return QStringLiteral("accès refusé à %1");
        default:
            return QStringLiteral("%1 inaccessible (erreur système ") + QString::number(error) +
                   QLatin1Char(')');
    }
}

}  // namespace

LocalSocket::~LocalSocket() {
    if (fd_ >= 0) ::close(fd_);
}

bool LocalSocket::connectTo(const QString& name, const QDeadlineTimer& deadline, QString* why) {
    const QString path = name.startsWith(QLatin1Char('/'))
                             ? name
                             : QDir::cleanPath(QDir::tempPath()) + QLatin1Char('/') + name;
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    auto fail = [&](int error) {
        if (why) *why = reasonOf(error).arg(path);
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        return false;
    };
    if (native.size() >= static_cast<qsizetype>(sizeof address.sun_path)) return fail(ENAMETOOLONG);
    std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));

    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) return fail(errno);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return true;
    if (errno != EINPROGRESS && errno != EAGAIN) return fail(errno);
    // A server with a full backlog accepts later: wait for it within the deadline.
    if (!waitFor(fd_, POLLOUT, deadline)) return fail(ETIMEDOUT);
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return fail(errno);
    return error == 0 ? true : fail(error);
}

bool LocalSocket::send(const QByteArray& bytes, const QDeadlineTimer& deadline) {
    qsizetype sent = 0;
    while (fd_ >= 0 && sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.constData() + sent,
                                 static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd_, POLLOUT, deadline)) return false;
        } else {
            return false;
        }
    }
    return fd_ >= 0;
}

LocalSocket::Received LocalSocket::receive(QByteArray& buffer, const QDeadlineTimer& deadline) {
    if (fd_ < 0) return Received::Closed;
    char chunk[16384];
    for (;;) {
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n > 0) {
            buffer.append(chunk, n);
            return Received::Data;
        }
        if (n == 0) return Received::Closed;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return Received::Closed;
        if (!waitFor(fd_, POLLIN, deadline)) return Received::TimedOut;
    }
}

}  // namespace vantor
