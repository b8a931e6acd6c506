#pragma once
// Every operating-system service the program uses goes through Env, so that
// tests can run on their own folder, their own clock and failing devices.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace vantor {

class Env {
public:
    virtual ~Env() = default;

    // The local date and time.
    virtual QDateTime now() = 0;

    // Whole content of a file; nullopt when it is missing or unreadable.
    virtual std::optional<QByteArray> readFile(const QString& path) = 0;
    // Replaces the file with `data` through a temporary file beside it and a
    // rename, so that a crash or a full disk never leaves it half written.
    // Refuses (false) a file marked read-only.
    virtual bool replaceFile(const QString& path, const QByteArray& data) = 0;
    // Appends to the file, creating it when missing.
    virtual bool appendFile(const QString& path, const QByteArray& data) = 0;

    virtual bool fileExists(const QString& path) = 0;
    virtual bool folderExists(const QString& path) = 0;
    virtual bool createFolder(const QString& path) = 0;
    // Renames or moves a file; false when the source is missing or the
    // destination exists. The test and the move are one step: whatever lies at
    // `to` (a file, a link, a folder) is never replaced nor followed.
    virtual bool renameFile(const QString& from, const QString& to) = 0;
    // Removes a file, or a link itself (never what it points to).
    virtual bool removeFile(const QString& path) = 0;
    // Removes a folder only when it is empty.
    virtual bool removeFolder(const QString& path) = 0;

    // Starts a program without waiting for it; false when it cannot start.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;

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
    bool appendFile(const QString& p, const QByteArray& d) override { return target_->appendFile(p, d); }
    bool fileExists(const QString& p) override { return target_->fileExists(p); }
    bool folderExists(const QString& p) override { return target_->folderExists(p); }
    bool createFolder(const QString& p) override { return target_->createFolder(p); }
    bool renameFile(const QString& f, const QString& t) override { return target_->renameFile(f, t); }
    bool removeFile(const QString& p) override { return target_->removeFile(p); }
    bool removeFolder(const QString& p) override { return target_->removeFolder(p); }
    bool startProgram(const QString& p, const QStringList& a) override {
        return target_->startProgram(p, a);
    }

private:
    Env* target_;
};

// Joins a folder and a name with the platform's separator.
QString joinPath(const QString& folder, const QString& name);

}  // namespace vantor
