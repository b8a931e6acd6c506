#pragma once
// The desktop's notification area, followed as it comes and goes. At login
// the program may start before the panel that holds the area; this tells
// when it arrives. Two kinds count, the two Qt's tray icon can use: an X11
// tray manager (the owner of the selection _NET_SYSTEM_TRAY_S<screen>,
// which announces itself with a MANAGER message to the root window) and a
// StatusNotifierItem host registered with the watcher
// org.kde.StatusNotifierWatcher on the session bus. Both are followed by
// their events, never polled.
#include <QObject>
#include <memory>
#include <vector>

namespace vantor {

namespace notification_area {
class Kind;
}

class NotificationArea : public QObject {
    Q_OBJECT
  public:
    explicit NotificationArea(QObject* parent = nullptr);
    ~NotificationArea() override;

    // Whether a notification area is there now. Asks the display and the
    // bus each time: no answer is kept from one call to the next.
    bool available() const;

  signals:
    // A notification area announced itself and is there: a new one, or one
    // that came back. Queued, never emitted from inside the event that told it.
    void appeared();

  private:
    void recheck();

    std::vector<std::unique_ptr<notification_area::Kind>> kinds_;
};

}  // namespace vantor
