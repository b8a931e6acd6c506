#pragma once
// Raw bytes in and out of a test's INI file, and the profile calls with the settings' buffer size.
#include <QString>
#include <cstddef>
#include <ostream>

#include "platform/profile_file.h"
#include "support/file_bytes.h"
#include "support/qt_printers.h"

namespace vantor::test {

// Bytes of a literal that may hold NUL bytes.
template <std::size_t N>
QByteArray raw(const char (&s)[N]) {
    return QByteArray(s, N - 1);
}

inline QString readKey(const QString& path, const QString& section, const QString& key,
                       const QString& def = QStringLiteral("<absent>"), int size = 1024) {
    return profile::getString(*Env::Default(), section, key, def, size, path).text;
}

inline bool writeKey(const QString& path, const QString& section, const QString& key,
                     const QString& value) {
    return profile::writeString(*Env::Default(), section, key, value, path);
}

}  // namespace vantor::test
