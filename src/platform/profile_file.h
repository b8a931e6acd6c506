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

// Value of `key` in `section` of `path`, or `defaultText` (blanks at its end
// dropped) when the file, the section or the key is absent; a key present
// with nothing after '=' reads as "". Lines end at CRLF, LF or CR, ';' starts
// a comment, and a leading UTF-8 BOM is skipped. `bufferSize` counts the
// terminating NUL, so at most bufferSize - 1 characters come back.
ReadResult getString(Env& env, const QString& section, const QString& key,
                     const QString& defaultText, int bufferSize, const QString& path);

// Sets `key` of `section` to `value`, creating file, section and key as
// needed: a new section goes at the end of the file, a new key right after
// the last non-blank line of its section, a rewritten key keeps its place, its
// spelling and its line end; every other byte of the file stays. CR and LF in
// the value become spaces. False when the file cannot be written (or exists
// but cannot be read); it is then unchanged and errno tells why.
bool writeString(Env& env, const QString& section, const QString& key, const QString& value,
                 const QString& path);

// The text getString gives back for `value` once writeString has stored it:
// characters outside the code page become '?', CR and LF spaces, blanks at
// the ends and one pair of enclosing quotes drop, at most 1023 characters.
QString readBack(const QString& value);

}  // namespace vantor::profile
