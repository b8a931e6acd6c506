#pragma once
// The client's end of the program's channel: listens on the local socket of
// its data folder in the user's private folder (client_channel.h), carries
// out each request in the frame and answers it, a failure included. A
// connection from a process of another user is closed before a byte is read
// or sent, and logged. A connection that sends something that is not of the
// protocol gets a failure and is closed.
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

    enum class Start { Listening, AlreadyRunning, Failed };
    // Starts listening, unless a client listens for this data folder
    // already (AlreadyRunning). Starts for one folder take turns, so that
    // "one client per user and data folder" holds whatever the order; a
    // socket left behind is replaced only when proven stale (its connection
    // refused: no process behind it). Failed with the reason in `error`.
    Start listen(QString* error);

    // Carries out one request; never throws.
    notes::protocol::Reply handle(const notes::protocol::Request& request);

  private:
    void serve(QLocalSocket* socket);

    ClientFrame& frame_;
    QString dataRoot_;
    QLocalServer server_;
};

}  // namespace vantor::client
