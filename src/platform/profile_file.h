#pragma once
// Private profile (INI) files with the behaviour of the Windows calls
// GetPrivateProfileStringA and WritePrivateProfileStringA: names matched
// without regard to case, values trimmed of blanks and of one pair of quotes,
// first duplicate wins, CRLF lines, Windows-1252 bytes. Each call reads the
// file anew; nothing is cached.
#include <QString>

#include "platform/env.h"

namespace vantor::profile {

struct ReadResult {
    QString text;   // the value (or default), cut to bufferSize - 1 characters
    int length = 0; // the count the call reports: text.size()
};

// Value of `key` in `section` of `path`, or `defaultText` when the file, the
// section or the key is absent. `bufferSize` counts the terminating NUL, so at
// most bufferSize - 1 characters come back.
ReadResult getString(Env& env, const QString& section, const QString& key,
                     const QString& defaultText, int bufferSize, const QString& path);

// Sets `key` of `section` to `value`, creating file, section and key as
// needed: a new key goes at the end of its section, a rewritten key keeps its
// place, every other byte of the file stays. False when the file cannot be
// written; it is then unchanged.
bool writeString(Env& env, const QString& section, const QString& key, const QString& value,
                 const QString& path);

}  // namespace vantor::profile
