#include "notes/workspace/client_channel.h"

#include <QDeadlineTimer>

#include "notes/workspace/workspace_codes.h"

namespace vantor::notes {
namespace {

// A running client accepts at once; the wait only covers a busy machine.
constexpr int kConnectMs = 3000;
// Listing a large folder takes the client a few seconds at most.
constexpr int kReplyMs = 20000;

Failure noAnswer(const QString& why) {
    return Failure(workspace_code::kNoAnswer,
                   QStringLiteral("Lotus Notes ne répond pas : %1.").arg(why));
}

}  // namespace

ClientChannel::ClientChannel(const QString& dataRoot) {
    socket_.connectToServer(protocol::socketName(dataRoot));
    if (!socket_.waitForConnected(kConnectMs)) {
        const QString reason = socket_.errorString();
        socket_.abort();
        throw Failure(workspace_code::kNotesNotRunning,
                      QStringLiteral("Lotus Notes n'est pas lancé sur ce poste (%1).").arg(reason));
    }
}

QMap<QString, QString> ClientChannel::call(const protocol::Request& request) {
    const QByteArray frame = protocol::encodeRequest(request);
    const QDeadlineTimer deadline(kReplyMs);
    socket_.write(frame);
    while (socket_.bytesToWrite() > 0) {
        if (!socket_.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            throw noAnswer(socket_.errorString());
    }
    QByteArray buffer;
    for (;;) {
        if (std::optional<QByteArray> payload = protocol::takeFrame(buffer)) {
            protocol::Reply reply = protocol::decodeReply(*payload);
            if (reply.failure) throw *reply.failure;
            return reply.fields;
        }
        if (socket_.bytesAvailable() == 0 &&
            !socket_.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            throw noAnswer(socket_.state() == QLocalSocket::ConnectedState
                               ? QStringLiteral("délai d'attente dépassé")
                               : QStringLiteral("la connexion a été coupée"));
        buffer += socket_.readAll();
    }
}

}  // namespace vantor::notes
