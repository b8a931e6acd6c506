#include "notes/workspace/client_channel.h"

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
    QString reason;
    if (!socket_.connectTo(protocol::socketName(dataRoot), QDeadlineTimer(kConnectMs), &reason)) {
        throw Failure(workspace_code::kNotesNotRunning,
                      QStringLiteral("Lotus Notes n'est pas lancé sur ce poste (%1).").arg(reason));
    }
}

QMap<QString, QString> ClientChannel::call(const protocol::Request& request) {
    const QDeadlineTimer deadline(kReplyMs);
    if (!socket_.send(protocol::encodeRequest(request), deadline))
        throw noAnswer(QStringLiteral("la demande n'a pas pu être envoyée"));
    QByteArray buffer;
    for (;;) {
        if (std::optional<QByteArray> payload = protocol::takeFrame(buffer)) {
            protocol::Reply reply = protocol::decodeReply(*payload);
            if (reply.failure) throw *reply.failure;
            return reply.fields;
        }
        switch (socket_.receive(buffer, deadline)) {
            case LocalSocket::Received::Data:
                break;
            case LocalSocket::Received::TimedOut:
                throw noAnswer(QStringLiteral("délai d'attente dépassé"));
            case LocalSocket::Received::Closed:
                throw noAnswer(QStringLiteral("la connexion a été coupée"));
        }
    }
}

}  // namespace vantor::notes
