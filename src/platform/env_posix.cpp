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

// Moves a file to another file system: a copy beside the destination (data,
// permissions and times), put in place without overwriting anything, then
// the source removed. On any failure what was made is removed and the source
// stays as it was.
bool moveAcrossFileSystems(const QByteArray& from, const QByteArray& to) {
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st {};
    const QByteArray temp = to + ".tmp" + QByteArray::number(::getpid());
    int out = -1;
    bool ok = ::fstat(in, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        out = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
        ok = out >= 0;
    }
    char buf[65536];
    while (ok) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = writeAll(out, QByteArray::fromRawData(buf, n));
    }
    if (ok) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ok = ::fchmod(out, st.st_mode & 07777) == 0 && ::futimens(out, times) == 0 &&
             ::fsync(out) == 0;
    }
    if (out >= 0 && ::close(out) != 0) ok = false;
    ::close(in);
    // A hard link never replaces a destination that appeared meanwhile; file
    // systems without links get a rename after one more look.
    bool placed = ok && ::link(temp.constData(), to.constData()) == 0;
    if (ok && !placed && errno != EEXIST && !QFileInfo::exists(QFile::decodeName(to))) {
        placed = ::rename(temp.constData(), to.constData()) == 0;
    }
    ::unlink(temp.constData());
    if (!placed) return false;
    if (::unlink(from.constData()) != 0) {
        // The source cannot go: take the copy back, so that "not moved" holds.
        ::unlink(to.constData());
        return false;
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
        if (!fileExists(from) || QFileInfo::exists(to)) return false;
        const QByteArray f = QFile::encodeName(from), t = QFile::encodeName(to);
        if (::rename(f.constData(), t.constData()) == 0) return true;
        return errno == EXDEV && moveAcrossFileSystems(f, t);
    }

    bool startProgram(const QString& program, const QStringList& arguments,
                      WindowStyle style) override {
        const ProgramLaunch launch = launchFor(*this, program, arguments, style);
        return QProcess::startDetached(launch.program, launch.arguments);
    }
};

}  // namespace

Env* Env::Default() {
    static PosixEnv* env = new PosixEnv;
    return env;
}

ProgramLaunch launchFor(Env& env, const QString& program, const QStringList& arguments,
                        WindowStyle style) {
    ProgramLaunch launch{program, arguments};
    const QString suffix = QStringLiteral(".exe");
    if (program.endsWith(suffix, Qt::CaseInsensitive) && !env.fileExists(program)) {
        const QString bare = program.chopped(suffix.size());
        if (env.fileExists(bare)) launch.program = bare;
    }
    if (style == WindowStyle::MinimizedFocus || style == WindowStyle::MinimizedNoFocus) {
        launch.arguments.prepend(QStringLiteral("--minimized"));
    }
    return launch;
}

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

}  // namespace vantor
