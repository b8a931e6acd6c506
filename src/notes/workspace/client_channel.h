#pragma once
// A connection to the mail client running for a data folder, the way
// automation reaches a running client: requests go out and replies come back
// over its local socket (workspace_protocol.h). Every wait is bounded, so a
// missing or stuck client makes a failure, never a hang.
#include <QString>

#include "notes/workspace/workspace_protocol.h"
#include "platform/local_socket.h"

namespace vantor::notes {

class ClientChannel {
  public:
    // Connects at once; throws workspace_code::kNotesNotRunning when no
    // client listens for `dataRoot` and this user.
    explicit ClientChannel(const QString& dataRoot);

    // Sends the request and waits for its reply; throws the failure the
    // client sent back, kNoAnswer when it does not answer in time or hangs
    // up, kBadMessage for a reply that is not of this protocol.
    QMap<QString, QString> call(const protocol::Request& request);

  private:
    LocalSocket socket_;
};

}  // namespace vantor::notes
