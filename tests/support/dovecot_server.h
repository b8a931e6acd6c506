#pragma once
// A private Dovecot for one test or benchmark, run by the script the demo and
// the Python tests use (VANTOR_DOVECOT_FIXTURE) and stopped with the object.
// Free of GoogleTest for the benchmarks: a failing step throws.
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
    QString tls = QStringLiteral("authority");  // or "self-signed" (trusted by none), "none"
    QStringList without;                        // capabilities not announced
    bool specialUse = true;                     // on Trash, Sent, Drafts and Junk
};

class DovecotServer {
  public:
    explicit DovecotServer(DovecotOptions options = {}) {
        dir_.setAutoRemove(true);
        QStringList args{"--tls", options.tls, "--owner",
                         QString::number(QCoreApplication::applicationPid())};
        for (const QString& cap : options.without) args << "--without" << cap;
        if (!options.specialUse) args << "--no-special-use";
        const Run run = script("start", args);
        if (run.code == 77) {  // not installed, or cannot run on this machine
            why_ = QStringLiteral("Dovecot cannot start here: ") + run.err;
            return;
        }
        check(run);
        // "imaps=PORT imap=PORT ca=FILE"
        const QStringList fields =
            run.out.trimmed().split(QRegularExpression(QStringLiteral("[ =]")));
        imapsPort_ = fields.value(1).toUShort();
        imapPort_ = fields.value(3).toUShort();
        caFile_ = fields.value(5);
        started_ = true;
    }
    ~DovecotServer() {
        if (started_) script("stop");
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
        check(script("adduser", {login, password}));
        return login;
    }
    // The account's address as a user writes it in the settings.
    QString address(const QString& login, bool tlsFromStart = true) const {
        return QStringLiteral("%1://%2@127.0.0.1:%3")
            .arg(tlsFromStart ? "imaps" : "imap", login)
            .arg(tlsFromStart ? imapsPort_ : imapPort_);
    }

    // Delivers a message as the mail server would (Dovecot's LDA).
    void deliver(const QString& login, const QByteArray& message,
                 const QString& folder = QString()) {
        check(script("deliver", folder.isEmpty() ? QStringList{login} : QStringList{login, folder},
                     message));
    }
    // Stores a message as another mail program would: APPEND with this
    // internal date and these flags.
    void append(const QString& login, const QString& folder, const QByteArray& message,
                const QDateTime& internalDate, const QStringList& flags = {}) {
        const QString epoch = QString::number(internalDate.toSecsSinceEpoch());
        check(script("append", QStringList{login, folder, epoch} + flags, message));
    }

    // Stops every process of the server (it accepts, then answers nothing) until thaw().
    void freeze() { check(script("freeze")); }
    void thaw() { check(script("thaw")); }
    // Kills the IMAP sessions: their connections are cut.
    void cutSessions() { check(script("kill-imap")); }

    // The user's Maildir (for the benchmarks that fill it directly).
    QString maildir(const QString& login) const {
        return dir_.path() + QStringLiteral("/mail/") + login + QStringLiteral("/Maildir");
    }

    // A small message.
    static QByteArray message(
        const QString& subject, const QString& body = QStringLiteral("Bonjour."),
        const QString& from = QStringLiteral("Paul Martin <paul@example.com>")) {
        return QStringLiteral(
                   "From: %1\r\nTo: jean@example.com\r\nSubject: %2\r\n"
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
        QString out, err, command;
    };

    // The fixture's `command` on this server's folder.
    Run script(const QString& command, const QStringList& args = {},
               const QByteArray& input = QByteArray()) const {
        // The system's interpreter: a version manager's shim costs a second a call.
        const bool system = QFileInfo::exists(QStringLiteral("/usr/bin/python3"));
        QProcess p;
        p.start(system ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3"),
                QStringList{VANTOR_DOVECOT_FIXTURE, command, dir_.path()} + args);
        if (!p.waitForStarted(30000)) return {-1, {}, "python3 does not start", command};
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            return {-1, {}, "the fixture script did not finish", command};
        }
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError()), command};
    }

    static void check(const Run& run) {
        if (run.code != 0)
            throw std::runtime_error("dovecot fixture " +
                                     (run.command + ": " + run.err).toStdString());
    }

    QTemporaryDir dir_;
    bool started_ = false;
    QString why_, caFile_;
    quint16 imapsPort_ = 0, imapPort_ = 0;
    int users_ = 0;
};

}  // namespace vantor::test
