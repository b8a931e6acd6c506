#pragma once
// What the IMAP benchmarks share: mailboxes filled straight into a private
// Dovecot's Maildir (100,000 messages in seconds, where delivery would take
// many minutes), the protocol floor: a bare client that writes command
// lines on a TLS socket and reads bytes until its tags come back, parsing
// nothing, so that a benchmark of the program compares with it in one run;
// and a relay that counts the bytes a server sends through it.
#include <grp.h>
#include <pwd.h>
#include <sys/time.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSslSocket>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QThread>
#include <atomic>
#include <functional>
#include <stdexcept>

#include "support/dovecot_server.h"

namespace vantor::bench {

// Writes `count` messages into `folder` ("INBOX" or "A/B") of the user's
// Maildir, as files Dovecot indexes at its next look; message i is
// `message(i)`, its internal date `first` plus i minutes. Dovecot must not
// have the folder open meanwhile.
inline void fillMaildir(const test::DovecotServer& server, const QString& login,
                        const QString& folder, int count,
                        const std::function<QByteArray(int)>& message, const QDateTime& first) {
    const QString base = server.maildir(login) +
                         (folder.compare(QLatin1String("INBOX"), Qt::CaseInsensitive) == 0
                              ? QString()
                              : QLatin1Char('/') + folder);
    for (const char* sub : {"cur", "new", "tmp"}) QDir().mkpath(base + QLatin1Char('/') + QLatin1String(sub));
    // The files belong to the user Dovecot gives the mail to: nobody when we are root.
    uid_t uid = getuid();
    gid_t gid = getgid();
    if (uid == 0) {
        if (const passwd* nobody = getpwnam("nobody")) {
            uid = nobody->pw_uid;
            gid = nobody->pw_gid;
        }
    }
    for (QString dir = base; dir.startsWith(server.maildir(login)); dir = QFileInfo(dir).path())
        for (const QString& d : {dir, dir + QStringLiteral("/cur"), dir + QStringLiteral("/new"),
                                 dir + QStringLiteral("/tmp")})
            if (QFileInfo::exists(d)) (void)chown(QFile::encodeName(d).constData(), uid, gid);
    const qint64 start = first.toSecsSinceEpoch();
    for (int i = 0; i < count; ++i) {
        const QByteArray bytes = message(i);
        const QString name = QStringLiteral("%1/cur/%2.M%3P%4.vantor,S=%5:2,")
                                 .arg(base)
                                 .arg(start + i * 60)
                                 .arg(i)
                                 .arg(getpid())
                                 .arg(bytes.size());
        QFile f(name);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            throw std::runtime_error("cannot write " + name.toStdString());
        f.close();
        const QByteArray path = QFile::encodeName(name);
        const timeval times[2] = {{static_cast<time_t>(start + i * 60), 0},
                                  {static_cast<time_t>(start + i * 60), 0}};
        utimes(path.constData(), times);
        (void)chown(path.constData(), uid, gid);
    }
}

// A message of about `bodyBytes` bytes, different for each i.
inline QByteArray benchMessage(int i, int bodyBytes = 2000) {
    QByteArray body;
    while (body.size() < bodyBytes)
        body += "Ligne de texte du message " + QByteArray::number(i) + ", pour remplir.\r\n";
    return "From: Paul Martin <paul@example.com>\r\nTo: jean@example.com\r\nSubject: Message " +
           QByteArray::number(i) + "\r\nDate: Tue, 08 Dec 2026 10:00:00 +0100\r\nMessage-ID: <m" +
           QByteArray::number(i) + "@example.com>\r\nMIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=utf-8\r\n\r\n" + body;
}

// The protocol floor: lines written, bytes read until the tag of the last
// command comes back, nothing parsed.
class BareImapClient {
public:
    // Connects over TLS at once and logs in; throws when it cannot.
    BareImapClient(quint16 port, const QString& login, const QString& password) {
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        socket_.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
        if (!socket_.waitForEncrypted(30000)) throw std::runtime_error("bare client: no TLS");
        readUntil("* OK");
        command("LOGIN \"" + login.toUtf8() + "\" \"" + password.toUtf8() + "\"");
    }

    // One STATUS (UIDNEXT HIGHESTMODSEQ) per folder, all sent at once.
    void statusAll(const QStringList& folders) {
        QByteArray out;
        for (int i = 0; i < folders.size(); ++i)
            out += "S" + QByteArray::number(i) + " STATUS \"" + folders[i].toUtf8() +
                   "\" (UIDNEXT HIGHESTMODSEQ)\r\n";
        write(out);
        readUntil("S" + QByteArray::number(folders.size() - 1) + " OK");
    }

    // Every message of the folder, whole: UID FETCH 1:* BODY.PEEK[].
    void fetchAll(const QString& folder) {
        command("SELECT \"" + folder.toUtf8() + '"');
        command("UID FETCH 1:* BODY.PEEK[]");
    }
    // Every message of the folder removed for good, in one exchange each step.
    void removeAll(const QString& folder) {
        command("SELECT \"" + folder.toUtf8() + '"');
        command("UID STORE 1:* +FLAGS.SILENT (\\Deleted)");
        command("UID EXPUNGE 1:*");
    }
    // What a popup needs of one message: its summary and first part.
    void fetchSummaryAndText(const QString& folder, const QByteArray& uid) {
        command("SELECT \"" + folder.toUtf8() + '"');
        command("UID FETCH " + uid +
                " (UID FLAGS INTERNALDATE RFC822.SIZE ENVELOPE BODYSTRUCTURE BODY.PEEK[1])");
    }

    qint64 bytesRead() const { return read_; }

private:
    void write(const QByteArray& bytes) {
        socket_.write(bytes);
        while (socket_.bytesToWrite() > 0)
            if (!socket_.waitForBytesWritten(30000)) throw std::runtime_error("bare client: write");
    }

    void command(const QByteArray& line) {
        const QByteArray tag = "B" + QByteArray::number(++tags_);
        write(tag + ' ' + line + "\r\n");
        readUntil(tag + " OK");
    }

    // Reads until a line starts with `end`; only the bytes since the last
    // line end are looked at, as a reader of lines must.
    void readUntil(const QByteArray& end) {
        const QByteArray marker = "\n" + end;
        QByteArray tail = "\n";
        while (true) {
            if (socket_.bytesAvailable() == 0 && !socket_.waitForReadyRead(60000))
                throw std::runtime_error("bare client: no answer");
            const QByteArray chunk = socket_.readAll();
            read_ += chunk.size();
            tail += chunk;
            if (tail.contains(marker)) return;
            tail = tail.right(marker.size() + 256);
        }
    }

    QSslSocket socket_;
    qint64 read_ = 0;
    int tags_ = 0;
};

// A TCP relay on a thread of its own between clients and a server port on
// the loopback, counting what the server sends: the bytes a program read
// from the server, whatever layer it reads them with (TLS records
// included). Both sides without Nagle's delay, so the relay adds only its
// hop.
class CountingRelay {
public:
    explicit CountingRelay(quint16 target) : target_(target) {
        thread_.start();
        server_ = new QTcpServer;
        server_->moveToThread(&thread_);
        QMetaObject::invokeMethod(
            server_, [this] { listen(); }, Qt::BlockingQueuedConnection);
        if (port_ == 0) throw std::runtime_error("relay: cannot listen");
    }
    ~CountingRelay() {
        QMetaObject::invokeMethod(
            server_, [this] { delete server_; }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    CountingRelay(const CountingRelay&) = delete;
    CountingRelay& operator=(const CountingRelay&) = delete;

    quint16 port() const { return port_; }
    // Bytes the server sent through the relay so far.
    qint64 bytesFromServer() const { return fromServer_.load(); }

private:
    void listen() {
        if (!server_->listen(QHostAddress::LocalHost, 0)) return;
        port_ = server_->serverPort();
        QObject::connect(server_, &QTcpServer::newConnection, server_, [this] {
            while (QTcpSocket* client = server_->nextPendingConnection()) relay(client);
        });
    }
    // The client's bytes flow once the server side is connected (an IMAP
    // client speaks after the greeting anyway).
    void relay(QTcpSocket* client) {
        auto* upstream = new QTcpSocket(client);
        client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(upstream, &QTcpSocket::connected, client, [client, upstream] {
            upstream->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            QObject::connect(client, &QTcpSocket::readyRead, upstream,
                             [client, upstream] { upstream->write(client->readAll()); });
            if (client->bytesAvailable() > 0) upstream->write(client->readAll());
        });
        QObject::connect(upstream, &QTcpSocket::readyRead, client, [this, client, upstream] {
            const QByteArray bytes = upstream->readAll();
            fromServer_ += bytes.size();
            client->write(bytes);
        });
        QObject::connect(upstream, &QTcpSocket::disconnected, client,
                         &QTcpSocket::disconnectFromHost);
        QObject::connect(client, &QTcpSocket::disconnected, client, [client, upstream] {
            upstream->abort();
            client->deleteLater();
        });
        upstream->connectToHost(QHostAddress::LocalHost, target_);
    }

    quint16 target_;
    quint16 port_ = 0;
    QThread thread_;
    QTcpServer* server_ = nullptr;
    std::atomic<qint64> fromServer_{0};
};

}  // namespace vantor::bench
