#pragma once
// The client's end of the program's channel: listens on the local socket of
// its data folder and user (workspace_protocol.h), carries out each request
// in the frame and answers it, a failure included. Only the user's own
// processes may connect. A connection that sends something that is not of
// the protocol gets a failure and is closed.
#include <QLocalServer>
#include <QString>

#include "notes/workspace/workspace_protocol.h"

namespace vantor::client {

class ClientFrame;

class WorkspaceServer : public QObject {
    Q_OBJECT
  public:
    // `frame` must outlive the server.
    WorkspaceServer(ClientFrame& frame, QString dataRoot);

    // Starts listening; a socket left behind by a client that ended without
    // closing it is taken over. False (with the reason) when it cannot.
    bool listen(QString* error);

    // Carries out one request; never throws.
    notes::protocol::Reply handle(const notes::protocol::Request& request);

  private:
    void serve(QLocalSocket* socket);

    ClientFrame& frame_;
    QString dataRoot_;
    QLocalServer server_;
};

}  // namespace vantor::client
