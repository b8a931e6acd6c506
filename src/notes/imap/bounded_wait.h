#pragma once
// The one way the IMAP layers wait: on the calling thread, running its
// events (the window repaints, timers fire), until the answer comes or
// nothing has moved for a whole bound.
#include <QFuture>
#include <functional>

namespace vantor::imap {

// Waits for `future` to finish while this thread's events run. False when it
// did not: `progress()` (a count of bytes moved) stayed the same for
// `boundMs`, or the application is quitting.
bool waitWithEvents(const QFuture<void>& future, const std::function<qint64()>& progress,
                    int boundMs);

}  // namespace vantor::imap
