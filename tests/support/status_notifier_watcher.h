#pragma once
// A StatusNotifierItem watcher on the session bus, as a panel runs one, answering
// from a thread of its own so that the program under test may wait on it.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QMutex>
#include <QStringList>
#include <QThread>
#include <atomic>

namespace vantor::test {

class WatcherObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ RegisteredStatusNotifierItems)
  public:
    bool IsStatusNotifierHostRegistered() const { return host_; }
    QStringList RegisteredStatusNotifierItems() const {
        QMutexLocker lock(&mutex_);
        return items_;
    }
    void setHost() {
        host_ = true;
        emit StatusNotifierHostRegistered();
    }

  public slots:
    // An item names its service, or only its object path on the caller's name.
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message) {
        QMutexLocker lock(&mutex_);
        items_ << (service.startsWith(u'/') ? message.service() + service : service);
    }

  signals:
    void StatusNotifierHostRegistered();

  private:
    mutable QMutex mutex_;
    std::atomic<bool> host_ = false;
    QStringList items_;
};

class StatusNotifierWatcher {
  public:
    // Takes the watcher's name on the session bus; false when it cannot.
    bool start() {
        thread_.start();
        object_->moveToThread(&thread_);
        bool ok = false;
        inThread([this, &ok] {
            QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kBus);
            ok = bus.registerObject(kPath, object_, QDBusConnection::ExportAllContents) &&
                 bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
        });
        return ok;
    }
    ~StatusNotifierWatcher() {
        if (!thread_.isRunning()) {
            delete object_;
            return;
        }
        inThread([this] {
            QDBusConnection(kBus).unregisterObject(kPath);
            QDBusConnection::disconnectFromBus(kBus);
            object_->deleteLater();  // once the thread ends
        });
        thread_.quit();
        thread_.wait();
    }

    // A host (the panel's tray) registers with the watcher.
    void registerHost() {
        inThread([this] { object_->setHost(); });
    }
    QStringList items() const { return object_->RegisteredStatusNotifierItems(); }

  private:
    template <typename F>
    void inThread(F f) {
        QMetaObject::invokeMethod(object_, f, Qt::BlockingQueuedConnection);
    }

    inline static const QString kBus = QStringLiteral("stand-in-watcher");
    inline static const QString kPath = QStringLiteral("/StatusNotifierWatcher");
    QThread thread_;
    WatcherObject* object_ = new WatcherObject;  // lives and dies in its thread
};

}  // namespace vantor::test
