#include "notes/store/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

namespace vantor::store {

namespace {

// A descriptor of the regular file at `path` in blocking mode, or -1.
int openRegular(const QString& path, FileCheck* check) {
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    // Looked at before opening: opening some devices has effects of its own.
    if (::stat(native.constData(), &info) != 0) {
        *check = errno == ENOENT || errno == ENOTDIR ? FileCheck::Missing : FileCheck::Unreadable;
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        *check = FileCheck::NotRegular;
        return -1;
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *check = errno == ENOENT ? FileCheck::Missing : FileCheck::Unreadable;
        return -1;
    }
    // The file may have been replaced between the two looks.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        *check = FileCheck::NotRegular;
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    *check = FileCheck::Regular;
    return fd;
}

}  // namespace

FileCheck statRegularFile(const QString& path, qint64* size) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileCheck::Missing : FileCheck::Unreadable;
    if (!S_ISREG(info.st_mode)) return FileCheck::NotRegular;
    if (size) *size = static_cast<qint64>(info.st_size);
    return FileCheck::Regular;
}

FileCheck checkRegularFile(const QString& path) {
    FileCheck check = FileCheck::Unreadable;
    const int fd = openRegular(path, &check);
    if (fd >= 0) ::close(fd);
    return check;
}

bool openRegularForReading(QFile& file, const QString& path, FileCheck* check) {
    FileCheck found = FileCheck::Unreadable;
    const int fd = openRegular(path, &found);
    if (check) *check = found;
    if (fd < 0) return false;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        if (check) *check = FileCheck::Unreadable;
        return false;
    }
    return true;
}

QString fileCheckText(FileCheck check) {
    switch (check) {
    case FileCheck::Regular:
        return QString();
    case FileCheck::Missing:
        return QStringLiteral("il n'existe pas");
    case FileCheck::NotRegular:
        return QStringLiteral("ce n'est pas un fichier ordinaire (tube nommé, périphérique ou dossier)");
    case FileCheck::Unreadable:
        break;
    }
    return QStringLiteral("accès refusé");
}

}  // namespace vantor::store
