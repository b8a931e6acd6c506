#pragma once
// A server that could not be reached: requests fail at once until the time
// of the next try; each failed try doubles the delay, up to a ceiling; the
// first success ends the outage.
#include <QDateTime>

namespace vantor::imap {

class Outage {
public:
    Outage(int firstDelayMs, int maxDelayMs) : first_(firstDelayMs), max_(maxDelayMs) {}

    // A try failed at `now`.
    void failed(const QDateTime& now) {
        delay_ = delay_ == 0 ? first_ : std::min<qint64>(delay_ * 2, max_);
        retryAt_ = now.addMSecs(delay_);
    }
    void reachable() {
        delay_ = 0;
        retryAt_ = QDateTime();
    }
    bool ongoing() const { return delay_ != 0; }
    // Too early for another try.
    bool waiting(const QDateTime& now) const { return ongoing() && now < retryAt_; }
    const QDateTime& retryAt() const { return retryAt_; }

private:
    qint64 first_, max_;
    qint64 delay_ = 0;
    QDateTime retryAt_;
};

}  // namespace vantor::imap
