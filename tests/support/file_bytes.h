#pragma once
// A test file's raw bytes, in and out.
#include <QByteArray>
#include <QFile>
#include <QString>

#include "platform/env.h"

namespace vantor::test {

// Makes `bytes` the whole of the file at `path`; false when it cannot be written.
inline bool putBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The whole of the file at `path` once replacements are on disk, or "<missing>".
inline QByteArray bytesOf(const QString& path) {
    Env::Default()->flushPendingReplacements();
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace vantor::test
