#pragma once
// Every operating-system service the program uses goes through Env, so that
// tests can run on their own folder, their own clock and failing devices.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

namespace vantor {

// How a started program is asked to show its window, with the system's
// numbers (1 is a normal window with the focus, 2 minimised with the focus).
enum class WindowStyle {
    Hidden = 0,
    NormalFocus = 1,
    MinimizedFocus = 2,
    MaximizedFocus = 3,
    NormalNoFocus = 4,
    MinimizedNoFocus = 6,
};

// What names a file on disk and the version of its content: the device and
// inode are the file itself, whatever path leads to it; the size and the
// modification time change with each write.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
    bool sameFileAs(const FileStamp& other) const {
        return device == other.device && inode == other.inode;
    }
};

class Env {
public:
    virtual ~Env() = default;

    // The local date and time.
    virtual QDateTime now() = 0;

    // File operations open regular files only: a folder, a pipe, a device or
    // a socket fails at once with errno EINVAL, never waits for a peer. Every
    // failure leaves the cause in errno.

    // Whole content of a file; nullopt when it is missing or unreadable.
    virtual std::optional<QByteArray> readFile(const QString& path) = 0;
    // Replaces the file with `data` through a temporary file beside it and a
    // rename, so that a crash or a full disk never leaves it half written.
    // A symbolic link stays a link: its final target is replaced. Refuses
    // (EACCES) a file marked read-only. The sync and the rename may come
    // after the return: this process sees `data` at once, other processes
    // once flushPendingReplacements() returned.
    virtual bool replaceFile(const QString& path, const QByteArray& data) = 0;
    // Waits until every replacement made so far is on disk, or reported failed.
    virtual void flushPendingReplacements() = 0;
    // Who hears of a replacement that failed after replaceFile returned true:
    // the file (its final target) and the errno; the file keeps its former content.
    virtual void setLateReplaceFailureHook(std::function<void(const QString&, int)> hook) = 0;
    // Appends to the file, creating it when missing.
    virtual bool appendFile(const QString& path, const QByteArray& data) = 0;
    // Removes the temporary files that replaceFile(path) left behind in a
    // process that no longer runs; nothing else.
    virtual void removeReplaceLeftovers(const QString& path) = 0;

    virtual bool fileExists(const QString& path) = 0;
    // The stamp of the file `path` leads to, links followed; nullopt when
    // there is none, or while a replacement of it is on its way to the disk.
    virtual std::optional<FileStamp> fileStamp(const QString& path) = 0;
    virtual bool folderExists(const QString& path) = 0;
    virtual bool createFolder(const QString& path) = 0;
    // Renames or moves a file, to another file system too (copied, then the
    // source removed; a failure on the way leaves the source as it was);
    // false when the source is missing or the destination exists. The test
    // and the move are one step: whatever lies at `to` (a file, a link, a
    // folder) is never replaced nor followed.
    virtual bool renameFile(const QString& from, const QString& to) = 0;
    // Removes a file, or a link itself (never what it points to).
    virtual bool removeFile(const QString& path) = 0;
    // Removes a folder only when it is empty.
    virtual bool removeFolder(const QString& path) = 0;

    // Starts a program without waiting for it; false when it cannot start.
    // What runs is launchFor(program, arguments, style), below.
    virtual bool startProgram(const QString& program, const QStringList& arguments,
                              WindowStyle style = WindowStyle::NormalFocus) = 0;

    // The process-wide real environment; never deleted.
    static Env* Default();
};

// Forwards every call to another Env (which must outlive it); tests derive
// from it to replace one service.
class EnvWrapper : public Env {
public:
    explicit EnvWrapper(Env* target) : target_(target) {}
    Env* target() const { return target_; }

    QDateTime now() override { return target_->now(); }
    std::optional<QByteArray> readFile(const QString& p) override { return target_->readFile(p); }
    bool replaceFile(const QString& p, const QByteArray& d) override { return target_->replaceFile(p, d); }
    void flushPendingReplacements() override { target_->flushPendingReplacements(); }
    void setLateReplaceFailureHook(std::function<void(const QString&, int)> h) override {
        target_->setLateReplaceFailureHook(std::move(h));
    }
    bool appendFile(const QString& p, const QByteArray& d) override { return target_->appendFile(p, d); }
    void removeReplaceLeftovers(const QString& p) override { target_->removeReplaceLeftovers(p); }
    bool fileExists(const QString& p) override { return target_->fileExists(p); }
    std::optional<FileStamp> fileStamp(const QString& p) override { return target_->fileStamp(p); }
    bool folderExists(const QString& p) override { return target_->folderExists(p); }
    bool createFolder(const QString& p) override { return target_->createFolder(p); }
    bool renameFile(const QString& f, const QString& t) override { return target_->renameFile(f, t); }
    bool removeFile(const QString& p) override { return target_->removeFile(p); }
    bool removeFolder(const QString& p) override { return target_->removeFolder(p); }
    bool startProgram(const QString& p, const QStringList& a, WindowStyle s) override {
        return target_->startProgram(p, a, s);
    }

private:
    Env* target_;
};

// The cause of a failed file operation (an errno value) in French, for the
// error log: "fichier en lecture seule ou accès refusé", "disque plein"...
QString describeFileError(int error);

// The program and arguments a start runs on this system (POSIX), which has
// neither Windows executables nor window styles:
// - a program path ending in ".exe" (any case) that does not exist runs the
//   same path without the suffix when that exists: "<Path>notes.exe" of the
//   mail client's registered folder runs the stand-in client "<Path>notes";
// - a minimised style puts the argument "--minimized" before the others. The
//   programs the application starts minimised (the stand-in mail client)
//   honour it by starting with their window minimised; the other styles add
//   nothing.
struct ProgramLaunch {
    QString program;
    QStringList arguments;
};
ProgramLaunch launchFor(Env& env, const QString& program, const QStringList& arguments,
                        WindowStyle style);

// Joins a folder and a name with the platform's separator.
QString joinPath(const QString& folder, const QString& name);

}  // namespace vantor
