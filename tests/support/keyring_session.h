#pragma once
// A session bus of the test's own (nothing started on demand) with an unlocked
// gnome-keyring-daemon on it; started before anything reads the keyring, as
// a process's first use of the session bus fixes its address.
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
        start(password);
    }

    // GLib's shared bus connection (libsecret's) would end the process with the bus.
    ~KeyringSession() {
        if (GDBusConnection* bus =
                started_ ? g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr) : nullptr) {
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
    void start(const QString& password) {
        for (const QString tool : {"dbus-daemon", "gnome-keyring-daemon", "gdbus"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                return void(why_ = tool + QStringLiteral(" is not installed"));
        QFile config(dir_.filePath(QStringLiteral("bus.conf")));
        config.open(QIODevice::WriteOnly);
        config.write(
            QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                           "<auth>EXTERNAL</auth><policy context=\"default\">"
                           "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                           "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                .arg(dir_.path())
                .toUtf8());
        config.close();
        bus_.start("dbus-daemon",
                   {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
        while (!bus_.canReadLine() && bus_.waitForReadyRead(20000)) {
        }
        const QByteArray address = bus_.readLine().trimmed();
        if (address.isEmpty()) return void(why_ = QStringLiteral("dbus-daemon gave no address"));
        previous_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString name : {"HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
            env.insert(name, dir_.path());
        keyring_.setProcessEnvironment(env);
        keyring_.start("gnome-keyring-daemon",
                       {"--foreground", "--unlock", "--components=secrets"});
        // No event loop runs here: the password is pushed out before the wait.
        keyring_.waitForStarted(30000);
        keyring_.write(password.toUtf8());
        keyring_.waitForBytesWritten(30000);
        keyring_.closeWriteChannel();
        // Ready when the keyring owns its name on the bus.
        QProcess wait;
        wait.setProcessEnvironment(env);
        wait.start("gdbus", {"wait", "--session", "--timeout", "30", "org.freedesktop.secrets"});
        started_ = wait.waitForFinished(60000) && wait.exitCode() == 0;
        if (!started_)
            why_ = QStringLiteral("gnome-keyring-daemon did not come up: ") +
                   QString::fromUtf8(keyring_.readAllStandardError());
    }

    QTemporaryDir dir_;
    QProcess bus_;
    QProcess keyring_;
    QByteArray previous_;
    bool started_ = false;
    QString why_;
};

}  // namespace vantor::test
