#pragma once
// One connection to an IMAP server. Its socket and its parsing live on the
// network thread; the calling thread (the window's) sends requests and
// waits for their answers with its own events running, every wait bounded.
// A connection is used by one thread; a request made while another waits
// (from that thread's events) runs after it.
//
// Failures (vantor::Failure, French descriptions naming host:port):
// notes::code::kServerUnavailable (refused, unreachable, cut, silent for a
// whole bound), code::kCertificateRefused, notes::code::kWrongPassword,
// code::kNotSupported (no STARTTLS to a server that is not local),
// code::kBadServerData. After any of them the connection is closed.
#include <QFuture>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "notes/imap/command.h"
#include "notes/imap/data_decoders.h"
#include "notes/imap/response_reader.h"
#include "notes/imap/server_address.h"
#include "platform/failure.h"

namespace vantor::imap {

class NetworkThread;
class ConnectionCore;

struct ConnectionSettings {
    ServerAddress address;
    // Connecting, the TLS handshake and the greeting, together.
    int connectTimeoutMs = 20000;
    // A response that has not moved for this long: the server is gone.
    int responseTimeoutMs = 60000;
    // IDLE is ended and started again this often (it also shows a dead link).
    int idleRenewMs = 5 * 60 * 1000;
    ReaderLimits limits;
    // Untagged responses one exchange may bring (100,000 folders, a FETCH
    // of every message of a large folder); a server that sends more is
    // refused rather than followed without end.
    qint64 maxResponsesPerExchange = 2000000;
};

// The tagged end of one command.
struct Completion {
    QByteArray status;  // OK, NO or BAD
    std::optional<ResponseCode> code;
    QByteArray text;
    bool ok() const { return status == "OK"; }
};

// The folder a request works in. It is selected first when the connection
// has another one selected at the time the request runs; when `uidValidity`
// is not 0 and the folder has another, the request fails with
// code::kFolderRenumbered before any of its commands is sent. `pipelined`
// (reads only) sends the SELECT and the commands at once. `none` runs the
// commands with no folder selected: a server answers STATUS of the selected
// folder from that session's stale view, so mail delivered since goes unseen.
struct Selection {
    QByteArray mailbox;
    quint32 uidValidity = 0;
    bool pipelined = false;
    bool none = false;
};

// What the server said of the selected folder.
struct SelectedState {
    QByteArray mailbox;
    quint32 uidValidity = 0;
    quint32 uidNext = 0;
    quint64 exists = 0;
};

struct ExchangeResult {
    std::vector<Completion> completions;  // one per command, in order
    std::vector<Response> untagged;       // when no sink took them
    SelectedState selected;               // after the commands
};

// What the network thread hands back for a request: set there before `done`
// finishes, read by the waiting thread after.
template <class T>
struct Pending {
    QFuture<void> done;
    std::optional<Failure> failure;
    T value;
};
using PendingExchange = Pending<ExchangeResult>;

// Takes the untagged responses of an exchange, on the network thread.
using Sink = std::function<void(Response&&)>;

// Counters the network thread moves and any thread reads.
struct ConnectionCounters {
    std::atomic<qint64> bytesRead{0};
    std::atomic<qint64> bytesWritten{0};
    std::atomic<bool> open{false};
};

class Connection {
public:
    Connection(NetworkThread& thread, ConnectionSettings settings);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects (TLS at once for imaps, STARTTLS for imap, no TLS only to a
    // loopback address), checks the certificate against the system's
    // authorities and the host name, unless its fingerprint is among
    // `trusted`, and logs in (AUTHENTICATE PLAIN, else LOGIN). Closes
    // whatever was open before.
    void open(const QString& password, const QStringList& trusted);
    bool isOpen() const { return counters_->open.load(); }
    // The server's capabilities after login.
    const Capabilities& capabilities() const { return capabilities_; }
    // Sends the commands at once (pipelined), in `selection`'s folder when it
    // names one, and waits for all their tagged ends. A NO or BAD is a
    // completion, not a failure; a folder that cannot be selected fails with
    // code::kMailboxNotFound (the connection stays open).
    ExchangeResult exchange(std::vector<Command> commands, Sink sink = {},
                            Selection selection = {});
    // The same exchange sent now and waited for by collect(): the caller
    // works meanwhile. Requests run in the order they were sent.
    std::shared_ptr<PendingExchange> send(std::vector<Command> commands, Sink sink,
                                          Selection selection);
    // Waits for an exchange sent by send(), letting the thread's events run
    // once even when it is already over, as a wait for it would.
    ExchangeResult collect(PendingExchange& pending);
    // Gives the connection to IDLE (it then serves nothing else): `onNews`
    // at every EXISTS or RECENT, `onLost` once when it ends by a failure.
    // Both are called on the network thread.
    void idle(std::function<void()> onNews, std::function<void(const Failure&)> onLost);
    // Logs out and closes; nothing is waited for.
    void close();

    // Bytes read from the server since the connection object was made.
    qint64 bytesRead() const { return counters_->bytesRead.load(); }
    const ConnectionSettings& settings() const { return settings_; }

private:
    // Waits for what the network thread promised, with the bound of `ms`.
    void await(const QFuture<void>& done, int ms);
    // Runs `start(core, reply)` on the network thread; `reply` fills the answer there.
    template <class T, class Start>
    std::shared_ptr<Pending<T>> post(Start start);
    // The value the network thread replied, or the failure thrown.
    template <class T>
    T take(Pending<T>& pending, int boundMs);

    NetworkThread& thread_;
    ConnectionSettings settings_;
    std::shared_ptr<ConnectionCounters> counters_;
    ConnectionCore* core_;  // lives on the network thread
    Capabilities capabilities_;
};

}  // namespace vantor::imap
