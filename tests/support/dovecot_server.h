#pragma once
// A private Dovecot for one test (or one benchmark), in a folder of its own,
// through the same script the demo and the Python tests use
// (tests/support/dovecot_fixture.py): loopback ports, a Maildir per user,
// TLS with a certificate authority the fixture makes. Stopped, every
// process of it, when the object goes. Free of GoogleTest, so benchmarks use
// it too: a failing step throws std::runtime_error. VANTOR_DOVECOT_FIXTURE
// is the script's path (set by CMake).
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <stdexcept>

namespace vantor::test {

struct DovecotOptions {
    // "authority": a server certificate signed by the fixture's CA (trusted
    // with trustAuthority()); "self-signed": one nothing trusts; "none": no TLS.
    QString tls = QStringLiteral("authority");
    // Capabilities the server does not announce (IDLE, MOVE, UIDPLUS...).
    QStringList without;
    // Special-use flags on Trash, Sent, Drafts and Junk.
    bool specialUse = true;
};

class DovecotServer {
public:
    explicit DovecotServer(DovecotOptions options = {}) {
        dir_.setAutoRemove(true);
        QStringList args{QStringLiteral("start"), dir_.path(), QStringLiteral("--tls"), options.tls,
                         QStringLiteral("--owner"), QString::number(QCoreApplication::applicationPid())};
        for (const QString& cap : options.without) args << QStringLiteral("--without") << cap;
        if (!options.specialUse) args << QStringLiteral("--no-special-use");
        const Run run = script(args);
        if (run.code == 77) {  // not installed, or cannot run on this machine
            why_ = QStringLiteral("Dovecot cannot start here: ") + run.err;
            return;
        }
        check(run, "start");
        // "imaps=PORT imap=PORT ca=FILE"
        const QStringList fields = run.out.trimmed().split(QRegularExpression(QStringLiteral("[ =]")));
        imapsPort_ = fields.value(1).toUShort();
        imapPort_ = fields.value(3).toUShort();
        caFile_ = fields.value(5);
        started_ = true;
    }
    ~DovecotServer() {
        if (started_) script({QStringLiteral("stop"), dir_.path()});
    }
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    // False where Dovecot cannot run; why() says why (the skip message).
    bool available() const { return started_; }
    const QString& why() const { return why_; }
    quint16 imapsPort() const { return imapsPort_; }
    const QString& caFile() const { return caFile_; }

    // Adds the fixture's certificate authority to this process's TLS
    // defaults, as if the system trusted it.
    void trustAuthority() const {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.addCaCertificates(QSslCertificate::fromPath(caFile_));
        QSslConfiguration::setDefaultConfiguration(config);
    }

    // A user of its own (u1, u2...) with that password; returns the login.
    QString addUser(const QString& password = QStringLiteral("secret")) {
        const QString login = QStringLiteral("u%1").arg(++users_);
        check(script({QStringLiteral("adduser"), dir_.path(), login, password}), "adduser");
        return login;
    }
    // The account's address as a user writes it in the settings.
    QString address(const QString& login, bool tlsFromStart = true) const {
        return QStringLiteral("%1://%2@127.0.0.1:%3")
            .arg(tlsFromStart ? "imaps" : "imap", login).arg(tlsFromStart ? imapsPort_ : imapPort_);
    }

    // Delivers a message as the mail server would (Dovecot's LDA).
    void deliver(const QString& login, const QByteArray& message,
                 const QString& folder = QString()) {
        QStringList args{QStringLiteral("deliver"), dir_.path(), login};
        if (!folder.isEmpty()) args << folder;
        check(script(args, message), "deliver");
    }
    // Stores a message as another mail program would: APPEND with this
    // internal date and these flags.
    void append(const QString& login, const QString& folder, const QByteArray& message,
                const QDateTime& internalDate, const QStringList& flags = {}) {
        check(script(QStringList{QStringLiteral("append"), dir_.path(), login, folder,
                                 QString::number(internalDate.toSecsSinceEpoch())} +
                         flags,
                     message),
              "append");
    }

    // Stops every process of the server (it accepts, then answers nothing)
    // until thaw().
    void freeze() { check(script({QStringLiteral("freeze"), dir_.path()}), "freeze"); }
    void thaw() { check(script({QStringLiteral("thaw"), dir_.path()}), "thaw"); }
    // Kills the IMAP sessions: their connections are cut.
    void cutSessions() { check(script({QStringLiteral("kill-imap"), dir_.path()}), "kill-imap"); }

    // The user's Maildir (for the benchmarks that fill it directly).
    QString maildir(const QString& login) const {
        return dir_.path() + QStringLiteral("/mail/") + login + QStringLiteral("/Maildir");
    }

    // A small message.
    static QByteArray message(const QString& subject, const QString& body = QStringLiteral("Bonjour."),
                              const QString& from = QStringLiteral("Paul Martin <paul@example.com>")) {
        return QStringLiteral("From: %1\r\nTo: jean@example.com\r\nSubject: %2\r\n"
                              "Date: Tue, 08 Dec 2026 10:00:00 +0100\r\n"
                              "Message-ID: <%3@example.com>\r\nMIME-Version: 1.0\r\n"
                              "Content-Type: text/plain; charset=utf-8\r\n"
                              "Content-Transfer-Encoding: 8bit\r\n\r\n%4\r\n")
            .arg(from, subject, QString::number(qHash(subject), 16), body)
            .toUtf8();
    }

private:
    struct Run {
        int code = -1;
        QString out, err;
    };

    static Run script(const QStringList& args, const QByteArray& input = QByteArray()) {
        // The system's interpreter: a version manager's shim costs a second a call.
        const bool system = QFileInfo::exists(QStringLiteral("/usr/bin/python3"));
        QProcess p;
        p.start(system ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3"),
                QStringList{QStringLiteral(VANTOR_DOVECOT_FIXTURE)} + args);
        if (!p.waitForStarted(30000)) return {-1, QString(), QStringLiteral("python3 does not start")};
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            return {-1, QString(), QStringLiteral("the fixture script did not finish")};
        }
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }

    static void check(const Run& run, const char* step) {
        if (run.code != 0)
            throw std::runtime_error(std::string("dovecot fixture ") + step + ": " +
                                     run.err.toStdString());
    }

    QTemporaryDir dir_;
    bool started_ = false;
    QString why_, caFile_;
    quint16 imapsPort_ = 0, imapPort_ = 0;
    int users_ = 0;
};

}  // namespace vantor::test
