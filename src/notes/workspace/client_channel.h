#pragma once
// A connection to the mail client running for a data folder, the way
// automation reaches a running client: requests go out and replies come back
// over its local socket (workspace_protocol.h), in this user's private
// folder, and only to a client of this user. Every wait is bounded and lets
// the windows repaint meanwhile (user input waits), so a missing or stuck
// client makes a failure, never a hang nor a frozen window.
#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QString>
#include <functional>

#include "notes/workspace/workspace_protocol.h"

namespace vantor::notes {

// Where the client of `dataRoot` listens for this user; throws
// workspace_code::kNotesNotRunning when this user has no private folder for
// sockets (platform/local_peer.h).
QString socketPath(const QString& dataRoot);

struct ChannelBounds {
    // A running client accepts at once; the wait only covers a busy machine.
    int connectMs = 3000;
    // Listing a large folder takes the client a few seconds at most.
    int replyMs = 20000;
};

class ClientChannel {
  public:
    // Connects at once; throws workspace_code::kNotesNotRunning when no
    // client listens for `dataRoot` and this user, kForeignPeer (logged by
    // the caller, nothing sent) when the program listening there runs as
    // another user.
    explicit ClientChannel(const QString& dataRoot, ChannelBounds bounds = {});

    // Sends the request and waits for its reply; throws the failure the
    // client sent back, kNoAnswer when it does not answer in time or hangs
    // up, kBadMessage for a reply that is not of this protocol.
    QMap<QString, QString> call(const protocol::Request& request);

  private:
    // Lets events run until `done` holds, the connection ends or the
    // deadline passes; whether `done` holds.
    bool waitFor(const QDeadlineTimer& deadline, const std::function<bool()>& done);

    QLocalSocket socket_;
    ChannelBounds bounds_;
};

}  // namespace vantor::notes
