#pragma once
// A client connection to a local stream socket, named as Qt's local servers
// name theirs (a path, or a name in the temporary folder). Every wait is
// bounded by a deadline: a missing or stuck peer makes a failure, never a
// hang. Needs nothing beyond Qt Core, so the program does not load Qt's
// network library for its one channel to the mail client.
#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

namespace vantor {

class LocalSocket {
  public:
    LocalSocket() = default;
    ~LocalSocket();
    LocalSocket(const LocalSocket&) = delete;
    LocalSocket& operator=(const LocalSocket&) = delete;

    // Connects to the server listening under `name`; false with the reason in
    // `why` (French) when none listens there or it does not accept in time.
    bool connectTo(const QString& name, const QDeadlineTimer& deadline, QString* why);
    // Sends every byte before the deadline; false when the peer hung up or
    // took too long.
    bool send(const QByteArray& bytes, const QDeadlineTimer& deadline);

    enum class Received { Data, Closed, TimedOut };
    // Waits for bytes (at most until the deadline) and appends what came.
    Received receive(QByteArray& buffer, const QDeadlineTimer& deadline);

  private:
    int fd_ = -1;
};

}  // namespace vantor
