// Env on a POSIX system: files through the C library so that the atomic
// replace and the read-only rule are explicit, programs through QProcess.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/env.h"

namespace vantor {
namespace {

bool writeAll(int fd, const QByteArray& data) {
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

class PosixEnv final : public Env {
public:
    QDateTime now() override { return QDateTime::currentDateTime(); }

    std::optional<QByteArray> readFile(const QString& path) override {
        const QByteArray native = QFile::encodeName(path);
        const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return std::nullopt;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return std::nullopt;
        }
        QByteArray data;
        char buf[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                ::close(fd);
                return std::nullopt;
            }
            if (n == 0) break;
            data.append(buf, n);
        }
        ::close(fd);
        return data;
    }

    bool replaceFile(const QString& path, const QByteArray& data) override {
        const QByteArray native = QFile::encodeName(path);
        struct stat st {};
        mode_t mode = 0644;
        if (::stat(native.constData(), &st) == 0) {
            if (!S_ISREG(st.st_mode)) return false;
            // The read-only mark holds even for a user who could override it.
            if ((st.st_mode & S_IWUSR) == 0) return false;
            mode = st.st_mode & 07777;
        }
        const QByteArray temp = native + ".tmp" + QByteArray::number(::getpid());
        const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
        if (fd < 0) return false;
        const bool ok = writeAll(fd, data) && ::fsync(fd) == 0;
        if (::close(fd) != 0 || !ok || ::rename(temp.constData(), native.constData()) != 0) {
            ::unlink(temp.constData());
            return false;
        }
        return true;
    }

    bool appendFile(const QString& path, const QByteArray& data) override {
        const QByteArray native = QFile::encodeName(path);
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        const bool ok = writeAll(fd, data);
        return ::close(fd) == 0 && ok;
    }

    bool fileExists(const QString& path) override {
        const QFileInfo info(path);
        return info.exists() && info.isFile();
    }
    bool folderExists(const QString& path) override {
        const QFileInfo info(path);
        return info.exists() && info.isDir();
    }
    bool createFolder(const QString& path) override { return QDir().mkdir(path); }

    bool renameFile(const QString& from, const QString& to) override {
        if (!fileExists(from)) return false;
        const QByteArray f = QFile::encodeName(from);
        const QByteArray t = QFile::encodeName(to);
        // Checking first and renaming after would let a file or a link that
        // appears in between be replaced: the kernel refuses an existing name.
        if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
            return true;
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
        // A file system without that flag: a hard link refuses existing names too.
        if (::link(f.constData(), t.constData()) == 0) return ::unlink(f.constData()) == 0;
        if (errno == EEXIST) return false;
        // Nor hard links (FAT): the best that remains.
        struct stat st {};
        if (::lstat(t.constData(), &st) == 0 || errno != ENOENT) return false;
        return ::rename(f.constData(), t.constData()) == 0;
    }
    bool removeFile(const QString& path) override {
        return ::unlink(QFile::encodeName(path).constData()) == 0;
    }
    bool removeFolder(const QString& path) override {
        return ::rmdir(QFile::encodeName(path).constData()) == 0;
    }

    bool startProgram(const QString& program, const QStringList& arguments) override {
        return QProcess::startDetached(program, arguments);
    }
};

}  // namespace

Env* Env::Default() {
    static PosixEnv* env = new PosixEnv;
    return env;
}

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

}  // namespace vantor
