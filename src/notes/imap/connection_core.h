#pragma once
// The network thread's half of a connection: the socket, the reader, the
// timers and the order of requests. Everything here runs on the network
// thread and never blocks; each request ends by calling its `done` once.
#include <QObject>
#include <QSslError>
#include <QSslSocket>
#include <QTimer>
#include <deque>

#include "notes/imap/connection.h"

namespace vantor::imap {

class ConnectionCore : public QObject {
    Q_OBJECT
public:
    using OpenDone = std::function<void(std::optional<Failure>, Capabilities)>;
    using ExchangeDone = std::function<void(std::optional<Failure>, ExchangeResult)>;

    ConnectionCore(ConnectionSettings settings, std::shared_ptr<ConnectionCounters> counters);
    ~ConnectionCore() override;

    // Each request waits for the ones before it.
    void open(QString password, QStringList trusted, OpenDone done);
    void exchange(std::vector<Command> commands, Sink sink, Selection selection,
                  ExchangeDone done);
    void idle(std::function<void()> onNews, std::function<void(const Failure&)> onLost);
    // Logs out and closes at once; what waited fails.
    void close();
    // Ends the connection with this failure (the caller gave up waiting).
    void abort(const Failure& failure);

private:
    enum class Phase { Closed, Connecting, Greeting, Ready, StartTls, Idling };

    struct Pending {
        QByteArray tag;
        std::vector<QByteArray> pieces;
        std::size_t written = 0;  // pieces sent
        bool done = false;
    };
    struct Running {
        std::vector<Pending> commands;
        std::size_t writing = 0;  // the command whose pieces are being sent
        bool awaitingPlus = false;
        std::size_t remaining = 0;
        qint64 untagged = 0;
        Sink sink;
        ExchangeResult result;
        ExchangeDone done;
    };
    struct Idle {
        std::function<void()> onNews;
        std::function<void(const Failure&)> onLost;
        QByteArray tag;
        bool confirmed = false;  // the server said "+"
        bool ending = false;     // DONE sent
    };

    void enqueue(std::function<void()> start);
    void startNext();
    void fail(const Failure& failure);
    void dropSocket();
    void armTimer(int ms);
    void onTimeout();
    void onReadyRead();
    void onSocketError(QAbstractSocket::SocketError error);
    void onSslErrors(const QList<QSslError>& errors);
    void onEncrypted();
    void dispatch(Response&& r);
    void onGreeting(const Response& r);
    void onIdleResponse(Response&& r);
    void onTagged(const Response& r);
    void startIdleCommand();
    void noteSelection(const Response& r);
    // The selection's SELECT answered: nullopt when the request may go on.
    std::optional<Failure> selectionFailure(const Completion& select, const Selection& selection);

    // Sends now, the connection being free (inside a request).
    void send(std::vector<Command> commands, Sink sink, ExchangeDone done);
    void writeMore();
    void write(const QByteArray& bytes);
    LiteralMode literalMode() const;

    // The steps of opening, in order.
    void withCapabilities(std::function<void()> next);
    void secure();
    void authenticate();
    void finishOpen();

    Failure unavailable(const QString& why) const;
    Failure badData(const QString& why) const;

    ConnectionSettings settings_;
    std::shared_ptr<ConnectionCounters> counters_;
    QSslSocket* socket_ = nullptr;
    ResponseReader reader_;
    QTimer timer_;
    Phase phase_ = Phase::Closed;
    std::deque<std::function<void()>> queue_;
    bool busy_ = false;
    quint64 nextTag_ = 0;

    std::optional<Running> running_;
    OpenDone openDone_;
    QString password_;
    QStringList trusted_;
    QString refusal_;  // why the certificate was refused
    QByteArray bye_;   // what the server said as it left
    bool preauth_ = false;
    Capabilities caps_;
    std::optional<Idle> idle_;
    SelectedState selected_;  // mailbox empty: none
};

}  // namespace vantor::imap
