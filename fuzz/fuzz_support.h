#pragma once
// What the fuzz targets share: a scratch folder for the process, raw file
// writes, files kept in memory behind Env, and a fault report that stops the
// run (libFuzzer then keeps the input as the reproducer).
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/env.h"

namespace vantor::fuzz {

// Bytes of the input, without copying.
inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                   static_cast<qsizetype>(size));
}

// A folder of this process's own, removed when it ends; in memory (/dev/shm)
// where there is one, since every input writes files.
inline const QString& scratch() {
    static const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                    ? QStringLiteral("/dev/shm")
                                    : QDir::tempPath();
    static QTemporaryDir dir(base + QStringLiteral("/vantor-fuzz-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "vantor fuzz: no scratch folder\n");
        std::abort();
    }
    static const QString path = dir.path();
    return path;
}

inline QString scratchFile(const QString& name) {
    return scratch() + QLatin1Char('/') + name;
}

// Replaces the file with exactly these bytes (no sync: the files are scratch).
inline void putFile(const QString& path, const QByteArray& bytes) {
    QFile::remove(path);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "vantor fuzz: cannot write %s\n", qPrintable(path));
        std::abort();
    }
}

// Files kept in memory: the readers of param.ini and registre.reg go through
// Env, and thousands of inputs a second would otherwise wait on the disk.
class MemoryEnv : public EnvWrapper {
  public:
    MemoryEnv() : EnvWrapper(Env::Default()) {}
    std::map<QString, QByteArray> files;

    std::optional<QByteArray> readFile(const QString& path) override {
        const auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    bool replaceFile(const QString& path, const QByteArray& data) override {
        files[path] = data;
        return true;
    }
    bool appendFile(const QString& path, const QByteArray& data) override {
        files[path] += data;
        return true;
    }
    bool fileExists(const QString& path) override { return files.count(path) != 0; }
    std::optional<FileStamp> fileStamp(const QString&) override { return std::nullopt; }
    bool folderExists(const QString&) override { return false; }
};

// A broken promise of the code under test: reported, then the run stops.
[[noreturn]] inline void fault(const char* what, const QString& detail = QString()) {
    std::fprintf(stderr, "\n*** vantor fuzz fault: %s\n%s\n", what, qPrintable(detail));
    std::fflush(stderr);
    std::abort();
}

}  // namespace vantor::fuzz
