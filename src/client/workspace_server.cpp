#include "client/workspace_server.h"

#include <QLocalSocket>
#include <QLockFile>

#include "client/client_frame.h"
#include "client/page.h"
#include "notes/workspace/client_channel.h"
#include "notes/workspace/workspace_codes.h"
#include "platform/local_peer.h"

namespace vantor::client {
namespace {

namespace protocol = notes::protocol;

// Another start of the client for the folder finishes its own turn in this time.
constexpr int kTurnMs = 10000;
// A live client accepts at once; a stale socket refuses at once.
constexpr int kProbeMs = 3000;

}  // namespace

WorkspaceServer::WorkspaceServer(ClientFrame& frame, QString dataRoot)
    : frame_(frame), dataRoot_(std::move(dataRoot)) {
    // No access options: the private folder keeps other users out, and Qt
    // would make the socket elsewhere and rename it over the name.
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) serve(socket);
    });
}

WorkspaceServer::Start WorkspaceServer::listen(QString* error) {
    QString path;
    try {
        path = notes::socketPath(dataRoot_);
    } catch (const Failure& failure) {
        *error = failure.description();
        return Start::Failed;
    }
    QLockFile turn(path + QStringLiteral(".lock"));
    if (!turn.tryLock(kTurnMs)) {
        *error =
            QStringLiteral("un autre démarrage de Lotus Notes pour ces données ne se termine pas");
        return Start::Failed;
    }
    if (server_.listen(path)) return Start::Listening;
    if (server_.serverError() == QAbstractSocket::AddressInUseError) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(kProbeMs)) return Start::AlreadyRunning;
        if (probe.error() == QLocalSocket::ConnectionRefusedError) {
            QLocalServer::removeServer(path);
            if (server_.listen(path)) return Start::Listening;
        }
    }
    *error = server_.errorString();
    return Start::Failed;
}

void WorkspaceServer::serve(QLocalSocket* socket) {
    if (const QString refused = refusedPeer(socket->socketDescriptor()); !refused.isEmpty()) {
        qWarning("Lotus Notes : connexion refusée sur %s, %s.",
                 qUtf8Printable(server_.fullServerName()), qUtf8Printable(refused));
        socket->abort();
        socket->deleteLater();
        return;
    }
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto buffer = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket, buffer] {
        *buffer += socket->readAll();
        try {
            while (std::optional<QByteArray> payload = protocol::takeFrame(*buffer))
                socket->write(protocol::encodeReply(handle(protocol::decodeRequest(*payload))));
        } catch (const Failure& failure) {  // not of this protocol: answer once, then hang up
            socket->write(protocol::encodeReply({failure, {}}));
            socket->disconnectFromServer();
        }
    });
}

protocol::Reply WorkspaceServer::handle(const protocol::Request& request) {
    protocol::Reply reply;
    try {
        if (const auto* edit = std::get_if<protocol::EditDocument>(&request)) {
            frame_.workspace().editDocument(edit->editMode, edit->items);
        } else if (const auto* open = std::get_if<protocol::OpenDatabase>(&request)) {
            frame_.workspace().openDatabase(open->server, open->file, open->view, open->key,
                                            open->newInstance);
        } else if (std::holds_alternative<protocol::Show>(request)) {
            frame_.bringToFront();
        } else if (const Page* page = frame_.currentPage()) {
            reply.fields = page->fields();
        }
    } catch (const Failure& failure) {
        reply.failure = failure;
    } catch (const std::exception& e) {
        reply.failure.emplace(
            notes::workspace_code::kBadMessage,
            QStringLiteral("Le client de messagerie n'a pas pu traiter la demande : %1")
                .arg(QString::fromLocal8Bit(e.what())));
    }
    return reply;
}

}  // namespace vantor::client
