#pragma once
// A desktop keyring of the test's own: a session bus (dbus-daemon with a
// configuration of ours, so nothing is started on demand) and
// gnome-keyring-daemon on it, unlocked with a test password. This process
// talks to that bus from then on; the first use of the session bus in a
// process fixes its address, so a test starts this before anything reads
// the keyring.
//
// GLib's shared session-bus connection (the one libsecret uses) ends the
// process when its bus goes away; the session tells it not to before it
// stops the bus.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

namespace vantor::test {

class KeyringSession {
public:
    explicit KeyringSession(const QString& password = QStringLiteral("trousseau-de-test")) {
        for (const char* tool : {"dbus-daemon", "gnome-keyring-daemon", "gdbus"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
                why_ = QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool));
                return;
            }
        }
        QFile config(dir_.filePath(QStringLiteral("bus.conf")));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                                    "<auth>EXTERNAL</auth><policy context=\"default\">"
                                    "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                    "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                         .arg(dir_.path()).toUtf8());
        config.close();
        bus_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config.fileName(),
                                                   QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        while (!bus_.canReadLine() && bus_.waitForReadyRead(20000)) {
        }
        const QByteArray address = bus_.readLine().trimmed();
        if (address.isEmpty()) {
            why_ = QStringLiteral("dbus-daemon gave no address");
            return;
        }
        previous_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir_.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir_.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.path());
        keyring_.setProcessEnvironment(env);
        keyring_.start(QStringLiteral("gnome-keyring-daemon"),
                       {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                        QStringLiteral("--components=secrets")});
        // No event loop runs here: the password is pushed out before the wait.
        keyring_.waitForStarted(30000);
        keyring_.write(password.toUtf8());
        keyring_.waitForBytesWritten(30000);
        keyring_.closeWriteChannel();
        // Ready when the keyring owns its name on the bus.
        QProcess wait;
        wait.setProcessEnvironment(env);
        wait.start(QStringLiteral("gdbus"), {QStringLiteral("wait"), QStringLiteral("--session"),
                                             QStringLiteral("--timeout"), QStringLiteral("30"),
                                             QStringLiteral("org.freedesktop.secrets")});
        started_ = wait.waitForFinished(60000) && wait.exitCode() == 0;
        if (!started_)
            why_ = QStringLiteral("gnome-keyring-daemon did not come up: ") +
                   QString::fromUtf8(keyring_.readAllStandardError());
    }

    ~KeyringSession() {
        GDBusConnection* bus = started_ ? g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr) : nullptr;
        if (bus) {
            g_dbus_connection_set_exit_on_close(bus, FALSE);
            g_object_unref(bus);
        }
        for (QProcess* p : {&keyring_, &bus_}) {
            p->kill();
            p->waitForFinished(10000);
        }
        if (previous_.isEmpty())
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        else
            qputenv("DBUS_SESSION_BUS_ADDRESS", previous_);
    }

    bool available() const { return started_; }
    const QString& why() const { return why_; }

private:
    QTemporaryDir dir_;
    QProcess bus_;
    QProcess keyring_;
    QByteArray previous_;
    bool started_ = false;
    QString why_;
};

}  // namespace vantor::test
