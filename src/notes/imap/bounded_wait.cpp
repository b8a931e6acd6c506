#include "notes/imap/bounded_wait.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QTimer>

namespace vantor::imap {

bool waitWithEvents(const QFuture<void>& future, const std::function<qint64()>& progress,
                    int boundMs) {
    if (future.isFinished()) return true;
    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    QTimer check;
    qint64 seen = progress();
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        const qint64 now = progress();
        if (now == seen) loop.quit();
        seen = now;
    });
    check.start(boundMs);
    watcher.setFuture(future);
    if (!future.isFinished()) loop.exec();
    return future.isFinished();
}

}  // namespace vantor::imap
