#include "platform/gui/notification_area.h"

#include <QMetaObject>

#include "platform/gui/notification_area_p.h"

namespace vantor {

NotificationArea::NotificationArea(QObject* parent) : QObject(parent) {
    // Queued: a kind tells from inside the display's or the bus's event
    // handling, where no window should be made.
    const notification_area::Changed changed = [this] {
        QMetaObject::invokeMethod(this, &NotificationArea::recheck, Qt::QueuedConnection);
    };
    if (auto x11 = notification_area::x11TrayManager(changed)) kinds_.push_back(std::move(x11));
    if (auto sni = notification_area::statusNotifierHost(changed)) kinds_.push_back(std::move(sni));
}

NotificationArea::~NotificationArea() = default;

bool NotificationArea::available() const {
    for (const auto& kind : kinds_) {
        if (kind->present()) return true;
    }
    return false;
}

void NotificationArea::recheck() {
    if (available()) emit appeared();
}

}  // namespace vantor
