#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/env.h"
#include "platform/replacements_behind.h"

namespace vantor {
namespace {

// The new name reaches the disk with its folder: without this sync a power
// cut could bring the old content back after the drain said it was done.
// A file system that cannot sync a folder keeps the rename all the same.
void syncFolderOf(const QByteArray& target) {
    const QByteArray folder = target.left(std::max<qsizetype>(target.lastIndexOf('/'), 1));
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Syncs and renames the temporary file over its target; 0 or the errno of
// the failure, after which the temporary file is gone and the target as it was.
int complete(const QByteArray& target, const QByteArray& temp, int fd) {
    int error = ::fsync(fd) == 0 ? 0 : errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.constData(), target.constData()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.constData());
        return error;
    }
    syncFolderOf(target);
    return 0;
}

}  // namespace

ReplacementsBehind& ReplacementsBehind::instance() {
    static ReplacementsBehind* queue = new ReplacementsBehind;
    return *queue;
}

bool ReplacementsBehind::submit(const QByteArray& target, const QByteArray& temp, int fd,
                                const QByteArray& data) {
    std::unique_lock lock(mutex_);
    if (stopping_) {
        // The worker ends what it has first: the order of one file's replacements holds.
        changed_.wait(lock, [&] { return !visible_.contains(target); });
        lock.unlock();
        const int error = complete(target, temp, fd);
        errno = error;
        return error == 0;
    }
    if (!worker_.joinable()) {
        worker_ = std::thread([this] { work(); });
        std::atexit([] { instance().stop(); });
    }
    const std::uint64_t number = ++submitted_;
    const auto [job, fresh] = queued_.try_emplace(target, Job{temp, fd, number});
    if (!fresh) {
        // Replaced before it started: the newer content holds all of it.
        ::close(job->second.fd);
        ::unlink(job->second.temp.constData());
        job->second = Job{temp, fd, number};
    }
    visible_[target] = Content{data, number};
    changed_.notify_all();
    return true;
}

bool ReplacementsBehind::anyPending() {
    const std::lock_guard lock(mutex_);
    return !visible_.empty();
}

std::optional<QByteArray> ReplacementsBehind::pendingContent(const QByteArray& target) {
    const std::lock_guard lock(mutex_);
    const auto it = visible_.find(target);
    if (it == visible_.end()) return std::nullopt;
    return it->second.data;
}

void ReplacementsBehind::waitFor(const QByteArray& target) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock,
                  [&] { return target.isEmpty() ? visible_.empty() : !visible_.contains(target); });
}

void ReplacementsBehind::setFailureHook(FailureHook hook) {
    const std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

void ReplacementsBehind::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !queued_.empty(); });
        if (queued_.empty()) return;
        // The oldest first: the order of the calls, across files too.
        const auto next = std::min_element(
            queued_.begin(), queued_.end(),
            [](const auto& a, const auto& b) { return a.second.number < b.second.number; });
        const QByteArray target = next->first;
        const Job job = next->second;
        queued_.erase(next);
        lock.unlock();
        const int error = complete(target, job.temp, job.fd);
        lock.lock();
        if (error != 0) {
            // Heard before the drain ends, so that whoever drains finds it reported.
            const FailureHook hook = hook_;
            lock.unlock();
            if (hook)
                hook(QFile::decodeName(target), error);
            else
                qWarning("%s: %s", target.constData(), qPrintable(describeFileError(error)));
            lock.lock();
        }
        const auto shown = visible_.find(target);
        if (shown != visible_.end() && shown->second.number == job.number) visible_.erase(shown);
        changed_.notify_all();
    }
}

void ReplacementsBehind::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

}  // namespace vantor
