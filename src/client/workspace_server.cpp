#include "client/workspace_server.h"

#include <QLocalSocket>

#include "client/client_frame.h"
#include "client/page.h"
#include "notes/workspace/workspace_codes.h"

namespace vantor::client {
namespace {

namespace protocol = notes::protocol;

}  // namespace

WorkspaceServer::WorkspaceServer(ClientFrame& frame, QString dataRoot)
    : frame_(frame), dataRoot_(std::move(dataRoot)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) serve(socket);
    });
}

bool WorkspaceServer::listen(QString* error) {
    const QString name = protocol::socketName(dataRoot_);
    if (server_.listen(name)) return true;
    if (server_.serverError() == QAbstractSocket::AddressInUseError) {
        QLocalServer::removeServer(name);
        if (server_.listen(name)) return true;
    }
    if (error) *error = server_.errorString();
    return false;
}

void WorkspaceServer::serve(QLocalSocket* socket) {
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
