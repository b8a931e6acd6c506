#include "notes/workspace/client_channel.h"

#include <QEventLoop>
#include <QTimer>
#include <chrono>

#include "notes/workspace/workspace_codes.h"
#include "platform/local_peer.h"

namespace vantor::notes {
namespace {

Failure noAnswer(const QString& why) {
    return Failure(workspace_code::kNoAnswer,
                   QStringLiteral("Lotus Notes ne répond pas : %1.").arg(why));
}

Failure notRunning(const QString& why) {
    return Failure(workspace_code::kNotesNotRunning,
                   QStringLiteral("Lotus Notes n'est pas lancé sur ce poste (%1).").arg(why));
}

QString connectionFailure(const QLocalSocket& socket, const QString& path) {
    switch (socket.error()) {
        case QLocalSocket::ServerNotFoundError:
        case QLocalSocket::ConnectionRefusedError:
            return QStringLiteral("aucun programme n'écoute sur %1").arg(path);
        case QLocalSocket::SocketAccessError:
            return QStringLiteral("accès refusé à %1").arg(path);
        default:
            return socket.state() == QLocalSocket::UnconnectedState
                       ? QStringLiteral("%1 : %2").arg(path, socket.errorString())
                       : QStringLiteral("pas de réponse de %1").arg(path);
    }
}

}  // namespace

QString socketPath(const QString& dataRoot) {
    QString why;
    const std::optional<QString> folder = userRuntimeFolder(&why);
    if (!folder) throw notRunning(why);
    return *folder + QLatin1Char('/') + protocol::socketName(dataRoot);
}

ClientChannel::ClientChannel(const QString& dataRoot, ChannelBounds bounds) : bounds_(bounds) {
    const QString path = socketPath(dataRoot);
    socket_.connectToServer(path);
    if (!waitFor(QDeadlineTimer(bounds_.connectMs),
                 [this] { return socket_.state() == QLocalSocket::ConnectedState; })) {
        const QString why = connectionFailure(socket_, path);
        socket_.abort();
        throw notRunning(why);
    }
    if (const QString refused = refusedPeer(socket_.socketDescriptor()); !refused.isEmpty()) {
        socket_.abort();
        throw Failure(workspace_code::kForeignPeer,
                      QStringLiteral("Le programme qui écoute sur %1 n'est pas Lotus Notes de cet "
                                     "utilisateur (%2) : rien ne lui a été envoyé.")
                          .arg(path, refused));
    }
}

QMap<QString, QString> ClientChannel::call(const protocol::Request& request) {
    const QDeadlineTimer deadline(bounds_.replyMs);
    socket_.write(protocol::encodeRequest(request));
    QByteArray buffer;
    std::optional<QByteArray> payload;
    const bool answered = waitFor(deadline, [&] {
        buffer += socket_.readAll();
        payload = protocol::takeFrame(buffer);
        return payload.has_value();
    });
    if (!answered)
        throw noAnswer(socket_.state() == QLocalSocket::UnconnectedState
                           ? QStringLiteral("la connexion a été coupée")
                           : QStringLiteral("délai d'attente dépassé"));
    protocol::Reply reply = protocol::decodeReply(*payload);
    if (reply.failure) throw *reply.failure;
    return reply.fields;
}

bool ClientChannel::waitFor(const QDeadlineTimer& deadline, const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket_, &QLocalSocket::connected, &loop, &QEventLoop::quit);
    QObject::connect(&socket_, &QLocalSocket::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(&socket_, &QLocalSocket::stateChanged, &loop, &QEventLoop::quit);
    QObject::connect(&socket_, &QLocalSocket::errorOccurred, &loop, &QEventLoop::quit);
    // Window events (repaints, timers) run while the client works; the user's
    // clicks and keys wait, so that no other command starts in between.
    bool held = done();
    while (!held && socket_.state() != QLocalSocket::UnconnectedState && !deadline.hasExpired()) {
        bound.start(std::chrono::milliseconds(deadline.remainingTime()));
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        held = done();
    }
    return held;
}

}  // namespace vantor::notes
