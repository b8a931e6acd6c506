// Env on a POSIX system: files through the C library so that the atomic
// replace and the read-only rule are explicit, programs through QProcess.
// A replacement's sync and rename are left to ReplacementsBehind; the calls
// that could see or undo its target wait for it, or read its content there.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "platform/env.h"
#include "platform/replacements_behind.h"

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

// Opens a regular file without ever waiting: O_NONBLOCK keeps a pipe with no
// peer from blocking the open, and the type is checked before and after it
// (a device is never opened, a file swapped meanwhile is refused).
int openRegular(const QByteArray& path, int flags, mode_t mode = 0) {
    struct stat st {};
    if (::stat(path.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return -1;
    }
    const int fd = ::open(path.constData(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) {
        // A pipe without reader (ENXIO) or a folder (EISDIR) is a special file too.
        if (errno == ENXIO || errno == EISDIR) errno = EINVAL;
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    // O_NONBLOCK changes nothing for a regular file: it may stay.
    return fd;
}

// The path a chain of symbolic links ends at (the path itself when it is no
// link); it may not exist yet. nullopt (ELOOP) for a loop.
std::optional<QByteArray> finalTarget(QByteArray path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t n =
            ::readlink(path.constData(), target.data(), static_cast<size_t>(target.size()));
        if (n < 0) return std::nullopt;
        target.truncate(n);
        const qsizetype slash = path.lastIndexOf('/');
        if (!target.startsWith('/') && slash >= 0) target.prepend(path.left(slash + 1));
        path = target;
    }
    errno = ELOOP;
    return std::nullopt;
}

// The name a replacement is known by: the final target in its folder's real
// path, whatever path led to it. nullopt, with errno, when the folder is missing.
std::optional<QByteArray> replacedName(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder =
        slash < 0 ? QByteArray(".") : target.left(std::max<qsizetype>(slash, 1));
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(folder.constData(), nullptr),
                                                           &std::free);
    if (!real) return std::nullopt;
    const QByteArray name = target.mid(slash + 1);
    return QByteArray(real.get()) + (qstrcmp(real.get(), "/") == 0 ? "" : "/") + name;
}

// replaceFile's temporary files: the target's name, ".tmp", the process
// number, a dot and a number of their own, as several may wait at once.
const QByteArray kTempMark = ".tmp";
QByteArray newTempFileOf(const QByteArray& target) {
    static std::atomic<std::uint64_t> made = 0;
    return target + kTempMark + QByteArray::number(::getpid()) + '.' + QByteArray::number(++made);
}

// A process number that no running process has, or ours without a number of
// its own: this process never makes those, an earlier one with its number did.
bool isGone(pid_t pid, bool numbered) {
    if (pid == ::getpid()) return !numbered;
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Whether `s` is a decimal number as printed (no sign, no leading zero).
bool isPrinted(const QByteArray& s) {
    bool ok = !s.isEmpty() && s.size() <= 19 && s[0] != '0';
    for (const char c : s) ok = ok && c >= '0' && c <= '9';
    return ok;
}

// Moves a file to another file system: a copy beside the destination (data,
// permissions and times), put in place without overwriting anything, then
// the source removed. On any failure what was made is removed and the source
// stays as it was.
bool moveAcrossFileSystems(const QByteArray& from, const QByteArray& to) {
    const int in = openRegular(from, O_RDONLY);
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
        if (auto pending = pendingContent(path)) return pending;
        const int fd = openRegular(QFile::encodeName(path), O_RDONLY);
        if (fd < 0) return std::nullopt;
        // Read in place, in a buffer of the file's size: a large file is
        // held once, never copied while it grows.
        struct stat st {};
        QByteArray data;
        data.resize(::fstat(fd, &st) == 0 ? static_cast<qsizetype>(st.st_size) + 1 : 65536);
        qsizetype used = 0;
        for (;;) {
            if (used == data.size()) data.resize(data.size() * 2);
            const ssize_t n = ::read(fd, data.data() + used, static_cast<size_t>(data.size() - used));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                const int cause = errno;
                ::close(fd);
                errno = cause;
                return std::nullopt;
            }
            if (n == 0) break;
            used += n;
        }
        data.truncate(used);
        ::close(fd);
        return data;
    }

    bool replaceFile(const QString& path, const QByteArray& data) override {
        const std::optional<QByteArray> target = finalTarget(QFile::encodeName(path));
        if (!target) return false;
        struct stat st {};
        std::optional<mode_t> keptMode;
        if (::stat(target->constData(), &st) == 0) {
            if (!S_ISREG(st.st_mode)) {
                errno = EINVAL;
                return false;
            }
            // The read-only mark holds even for a user who could override it.
            if ((st.st_mode & S_IWUSR) == 0) {
                errno = EACCES;
                return false;
            }
            keptMode = st.st_mode & 07777;
        } else if (errno != ENOENT) {
            return false;
        }
        const std::optional<QByteArray> name = replacedName(*target);
        if (!name) return false;
        const QByteArray temp = newTempFileOf(*name);
        ::unlink(temp.constData());  // left by an earlier process with our number
        const int fd =
            ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                   keptMode.value_or(0644));
        if (fd < 0) return false;
        if ((keptMode && ::fchmod(fd, *keptMode) != 0) || !writeAll(fd, data)) {
            const int cause = errno;
            ::close(fd);
            ::unlink(temp.constData());
            errno = cause;
            return false;
        }
        return ReplacementsBehind::instance().submit(*name, temp, fd, data);
    }

    void flushPendingReplacements() override { ReplacementsBehind::instance().waitFor(); }
    void setLateReplaceFailureHook(std::function<void(const QString&, int)> hook) override {
        ReplacementsBehind::instance().setFailureHook(std::move(hook));
    }

    bool appendFile(const QString& path, const QByteArray& data) override {
        settle(path);
        const int fd = openRegular(QFile::encodeName(path), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd < 0) return false;
        const bool ok = writeAll(fd, data);
        const int cause = errno;
        if (::close(fd) != 0) return false;
        errno = cause;
        return ok;
    }

    void removeReplaceLeftovers(const QString& path) override {
        const std::optional<QByteArray> target = finalTarget(QFile::encodeName(path));
        if (!target) return;
        const qsizetype slash = target->lastIndexOf('/');
        const QByteArray folder = slash >= 0 ? target->left(slash + 1) : QByteArray();
        const QByteArray prefix = target->mid(slash + 1) + kTempMark;
        const QStringList names =
            QDir(QFile::decodeName(folder.isEmpty() ? QByteArray(".") : folder))
                .entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& name : names) {
            const QByteArray native = QFile::encodeName(name);
            if (!native.startsWith(prefix)) continue;
            // The process number, then maybe a dot and the file's own number.
            const QList<QByteArray> numbers = native.mid(prefix.size()).split('.');
            const QByteArray& pid = numbers[0];
            if (numbers.size() > 2 || pid.size() > 9 ||
                !std::all_of(numbers.begin(), numbers.end(), isPrinted) ||
                !isGone(static_cast<pid_t>(pid.toInt()), numbers.size() == 2))
                continue;
            // Only a plain file, as replaceFile makes them: never a link or a special file.
            struct stat st {};
            const QByteArray file = folder + native;
            if (::lstat(file.constData(), &st) == 0 && S_ISREG(st.st_mode))
                ::unlink(file.constData());
        }
    }

    bool fileExists(const QString& path) override {
        if (pendingContent(path)) return true;
        const QFileInfo info(path);
        return info.exists() && info.isFile();
    }
    std::optional<FileStamp> fileStamp(const QString& path) override {
        // The file on disk is not yet what this process reads: no stamp to cache it by.
        if (pendingContent(path)) return std::nullopt;
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
        return FileStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                         static_cast<qint64>(st.st_size),
                         static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    }
    bool folderExists(const QString& path) override {
        settle(path);
        const QFileInfo info(path);
        return info.exists() && info.isDir();
    }
    bool createFolder(const QString& path) override {
        settle(path);
        return QDir().mkdir(path);
    }

    bool renameFile(const QString& from, const QString& to) override {
        settle(from);
        settle(to);
        if (!fileExists(from)) return false;
        const QByteArray f = QFile::encodeName(from);
        const QByteArray t = QFile::encodeName(to);
        // Checking first and renaming after would let a file or a link that
        // appears in between be replaced: the kernel refuses an existing name.
        if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
            return true;
        if (errno == EXDEV) return moveAcrossFileSystems(f, t);
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
        settle(path);
        return ::unlink(QFile::encodeName(path).constData()) == 0;
    }
    bool removeFolder(const QString& path) override {
        settle(path);
        return ::rmdir(QFile::encodeName(path).constData()) == 0;
    }

    bool startProgram(const QString& program, const QStringList& arguments,
                      WindowStyle style) override {
        // The program may read what this process replaced.
        flushPendingReplacements();
        const ProgramLaunch launch = launchFor(*this, program, arguments, style);
        return QProcess::startDetached(launch.program, launch.arguments);
    }

  private:
    // The name of the file `path` leads to, when any replacement is under way.
    static std::optional<QByteArray> nameIfPending(const QString& path) {
        if (!ReplacementsBehind::instance().anyPending()) return std::nullopt;
        const std::optional<QByteArray> target = finalTarget(QFile::encodeName(path));
        return target ? replacedName(*target) : std::nullopt;
    }
    // The content of a replacement of the file `path` leads to, still under way.
    static std::optional<QByteArray> pendingContent(const QString& path) {
        const std::optional<QByteArray> name = nameIfPending(path);
        return name ? ReplacementsBehind::instance().pendingContent(*name) : std::nullopt;
    }
    // Waits for the replacement of the file `path` leads to, which would
    // otherwise come after (and undo) what the caller does to it.
    static void settle(const QString& path) {
        if (const auto name = nameIfPending(path)) ReplacementsBehind::instance().waitFor(*name);
    }
};

}  // namespace

Env* Env::Default() {
    static PosixEnv* env = new PosixEnv;
    return env;
}

QString describeFileError(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return QStringLiteral("fichier en lecture seule ou accès refusé");
        case EROFS:
            return QStringLiteral("disque en lecture seule");
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("dossier introuvable");
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("disque plein");
        case EINVAL:
            return QStringLiteral("ce n'est pas un fichier ordinaire");
        case ENAMETOOLONG:
            return QStringLiteral("chemin trop long");
        case ELOOP:
            return QStringLiteral("liens symboliques en boucle");
        case EIO:
            return QStringLiteral("erreur de lecture ou d'écriture sur le disque");
        default:
            return QStringLiteral("erreur système %1").arg(error);
    }
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
