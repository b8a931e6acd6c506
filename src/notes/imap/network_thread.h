#pragma once
// The thread every IMAP socket lives on, with all reading and parsing: the
// window's thread only posts requests and waits for their answers, running
// its own events meanwhile. Created by the IMAP client; it must outlive
// every connection made on it.
#include <QObject>
#include <QThread>
#include <functional>

namespace vantor::imap {

class NetworkThread {
public:
    NetworkThread();
    // Stops the thread; the connections' objects still on it are deleted.
    ~NetworkThread();
    NetworkThread(const NetworkThread&) = delete;
    NetworkThread& operator=(const NetworkThread&) = delete;

    QThread* thread() { return &thread_; }
    // Runs `work` on the network thread, after what was posted before.
    void post(std::function<void()> work);

private:
    QThread thread_;
    QObject* anchor_;  // lives on the thread: the target of posted work
};

}  // namespace vantor::imap
