#pragma once
// The durable end of a file replacement (sync, rename over the target, sync
// of the folder), done by one worker thread so that the caller never waits
// for the disk. Until it is done, this process reads the new content here.
#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace vantor {

class ReplacementsBehind {
  public:
    using FailureHook = std::function<void(const QString& target, int error)>;

    // The process's one queue: never deleted, its worker joined at exit.
    static ReplacementsBehind& instance();

    // Takes `fd`, the open and fully written temporary file `temp`, to be
    // synced and renamed over `target` (a real path); a replacement of the
    // same target not started yet is dropped. Done at once when the process
    // is exiting: false then on failure, with errno.
    bool submit(const QByteArray& target, const QByteArray& temp, int fd, const QByteArray& data);
    // Whether a replacement is under way, of any file.
    bool anyPending();
    // The content of the newest replacement of `target` under way.
    std::optional<QByteArray> pendingContent(const QByteArray& target);
    // Waits until no replacement of `target` (of any file when empty) is under way.
    void waitFor(const QByteArray& target = {});
    // Who hears of a replacement that failed after submit() returned true.
    void setFailureHook(FailureHook hook);

  private:
    struct Job {
        QByteArray temp;
        int fd;
        std::uint64_t number;
    };
    struct Content {
        QByteArray data;
        std::uint64_t number;
    };
    void work();
    void stop();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<QByteArray, Job> queued_;       // by target, not started yet
    std::map<QByteArray, Content> visible_;  // by target, until its newest job ends
    std::uint64_t submitted_ = 0;
    bool stopping_ = false;
    FailureHook hook_;
    std::thread worker_;
};

}  // namespace vantor
