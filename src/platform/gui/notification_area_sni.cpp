// The StatusNotifierItem host: the watcher org.kde.StatusNotifierWatcher on
// the session bus, with a host registered with it (its property
// IsStatusNotifierHostRegistered), which is what Qt's tray icon looks for
// before it publishes itself there. Followed through the bus's word on the
// watcher's name and the watcher's signal StatusNotifierHostRegistered.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include "platform/gui/notification_area_p.h"

namespace vantor::notification_area {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
// A watcher that does not answer within this is taken as absent; the
// session bus itself answers at once.
constexpr int kAnswerMs = 1000;

class StatusNotifierHost : public QObject, public Kind {
    Q_OBJECT
  public:
    StatusNotifierHost(const QDBusConnection& bus, Changed changed)
        : bus_(bus),
          names_(kWatcher, bus_, QDBusServiceWatcher::WatchForOwnerChange),
          changed_(std::move(changed)) {
        connect(&names_, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { changed_(); });
        bus_.connect(kWatcher, kWatcherPath, kWatcher,
                     QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(hostRegistered()));
    }

    bool present() override {
        if (!bus_.interface()->isServiceRegistered(kWatcher).value()) return false;
        QDBusMessage get = QDBusMessage::createMethodCall(
            kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
        const QDBusMessage reply = bus_.call(get, QDBus::Block, kAnswerMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
        return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
    }

  private slots:
    void hostRegistered() { changed_(); }

  private:
    QDBusConnection bus_;
    QDBusServiceWatcher names_;
    Changed changed_;
};

}  // namespace

std::unique_ptr<Kind> statusNotifierHost(Changed changed) {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return nullptr;
    return std::make_unique<StatusNotifierHost>(bus, std::move(changed));
}

}  // namespace vantor::notification_area

#include "notification_area_sni.moc"
