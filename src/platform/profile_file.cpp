#include "platform/profile_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "platform/cp1252.h"

namespace vantor::profile {
namespace {

// Lower case of every Windows-1252 byte, so that names compare as the
// Windows calls compare them: ASCII letters, the accented letters
// 0xC0..0xDE (not the multiplication sign) and Š Œ Ž Ÿ.
constexpr std::array<unsigned char, 256> makeFoldTable() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c) {
        if (c != 0xD7) t[c] = static_cast<unsigned char>(c + 32);
    }
    t[0x8A] = 0x9A;
    t[0x8C] = 0x9C;
    t[0x8E] = 0x9E;
    t[0x9F] = 0xFF;
    return t;
}
constexpr std::array<unsigned char, 256> kFold = makeFoldTable();

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

inline bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
inline bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

inline unsigned char fold(char c) {
    return kFold[static_cast<unsigned char>(c)];
}

// A name as the file would hold it: blanks at either end dropped, as the
// Windows calls drop them, and CR/LF made spaces so a name cannot split a line.
QByteArray fileName(const QString& name) {
    QByteArray bytes = cp1252::encode(name);
    qsizetype b = 0, e = bytes.size();
    while (b < e && isBlank(bytes[b])) ++b;
    while (e > b && isBlank(bytes[e - 1])) --e;
    bytes = bytes.mid(b, e - b);
    for (char& c : bytes) {
        if (isLineEnd(c)) c = ' ';
    }
    return bytes;
}

QByteArray folded(QByteArray bytes) {
    for (char& c : bytes) c = static_cast<char>(fold(c));
    return bytes;
}

bool sameName(const char* p, qsizetype n, const QByteArray& foldedName) {
    if (n != foldedName.size()) return false;
    const char* q = foldedName.constData();
    for (qsizetype i = 0; i < n; ++i) {
        if (fold(p[i]) != static_cast<unsigned char>(q[i])) return false;
    }
    return true;
}

// Byte ranges are offsets into the whole file.
struct Range {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype size() const { return end - begin; }
};

// Finds line ends with memchr, which is much faster than a byte loop: the
// next CR and the next LF are each kept until the scan passes them.
class LineEnds {
  public:
    LineEnds(const char* d, qsizetype n) : d_(d), n_(n) {}
    // Offset of the first CR or LF at or after `pos`; the file size when none.
    qsizetype from(qsizetype pos) {
        if (cr_ < pos) cr_ = find('\r', pos);
        if (lf_ < pos) lf_ = find('\n', pos);
        return std::min(cr_, lf_);
    }

  private:
    qsizetype find(char c, qsizetype pos) const {
        const void* p = std::memchr(d_ + pos, c, static_cast<size_t>(n_ - pos));
        return p != nullptr ? static_cast<const char*>(p) - d_ : n_;
    }
    const char* d_;
    qsizetype n_;
    qsizetype cr_ = -1;
    qsizetype lf_ = -1;
};

// Where a key is, or where it would go.
struct Location {
    bool sectionFound = false;
    bool keyFound = false;
    Range keyLine;  // the key's line without its line end
    Range keyName;  // the key's name as spelled in the file
    Range value;    // the value, blanks at either end dropped
    // End of the section's last non-blank line, line end included; a new key
    // goes here. `insertNeedsLineEnd` when that line is the file's last and
    // has no line end.
    qsizetype insertAt = 0;
    bool insertNeedsLineEnd = false;
};

// One pass over the file that stops at the key. Only the first section of
// the name is searched, lines before any section belong to none, ';' starts
// a comment, and a line without '=' is not a key.
Location locate(const QByteArray& file, const QByteArray& foldedSection,
                const QByteArray& foldedKey) {
    Location loc;
    const char* d = file.constData();
    const qsizetype n = file.size();
    qsizetype pos = 0;
    // A BOM would glue itself to the first section's bracket.
    if (n >= 3 && std::memcmp(d, kUtf8Bom, 3) == 0) pos = 3;
    bool inSection = false;
    LineEnds lineEnds(d, n);

    while (pos < n) {
        const qsizetype lineBegin = pos;
        const qsizetype lineEnd = lineEnds.from(pos);
        qsizetype next = lineEnd;
        if (next < n) next += (d[next] == '\r' && next + 1 < n && d[next + 1] == '\n') ? 2 : 1;
        pos = next;

        qsizetype s = lineBegin;
        while (s < lineEnd && isBlank(d[s])) ++s;
        if (s == lineEnd) continue;  // blank line

        if (d[s] == '[') {
            // The last ']' closes the name, so a name holding ']' still matches.
            const void* close = memrchr(d + s + 1, ']', static_cast<size_t>(lineEnd - s - 1));
            if (close != nullptr) {
                if (inSection) return loc;  // the section ended without the key
                qsizetype nb = s + 1;
                qsizetype ne = static_cast<const char*>(close) - d;
                while (nb < ne && isBlank(d[nb])) ++nb;
                while (ne > nb && isBlank(d[ne - 1])) --ne;
                if (!loc.sectionFound && sameName(d + nb, ne - nb, foldedSection)) {
                    loc.sectionFound = true;
                    inSection = true;
                    loc.insertAt = next;
                    loc.insertNeedsLineEnd = next == lineEnd;
                }
                continue;
            }
        }
        if (!inSection) continue;

        loc.insertAt = next;
        loc.insertNeedsLineEnd = next == lineEnd;
        if (d[s] == ';') continue;
        const void* eq = std::memchr(d + s, '=', static_cast<size_t>(lineEnd - s));
        if (eq == nullptr) continue;
        const qsizetype eqPos = static_cast<const char*>(eq) - d;
        qsizetype ke = eqPos;
        while (ke > s && isBlank(d[ke - 1])) --ke;
        if (!sameName(d + s, ke - s, foldedKey)) continue;

        qsizetype vb = eqPos + 1;
        qsizetype ve = lineEnd;
        while (vb < ve && isBlank(d[vb])) ++vb;
        while (ve > vb && isBlank(d[ve - 1])) --ve;
        loc.keyFound = true;
        loc.keyLine = {lineBegin, lineEnd};
        loc.keyName = {s, ke};
        loc.value = {vb, ve};
        return loc;
    }
    return loc;
}

ReadResult cut(QString text, int bufferSize) {
    if (text.size() > bufferSize - 1) text.truncate(bufferSize - 1);
    ReadResult r;
    r.length = static_cast<int>(text.size());
    r.text = std::move(text);
    return r;
}

// The bytes a value is stored as: CR and LF become spaces so that a value
// cannot split its line.
QByteArray storedBytes(const QString& value) {
    QByteArray bytes = cp1252::encode(value);
    for (char& c : bytes) {
        if (isLineEnd(c)) c = ' ';
    }
    return bytes;
}

// What a stored value (blanks at its ends already dropped) reads as.
ReadResult valueText(const char* v, qsizetype len, int bufferSize) {
    if (len >= 2 && (v[0] == '"' || v[0] == '\'') && v[len - 1] == v[0]) {
        ++v;
        len -= 2;
    }
    if (len > bufferSize - 1) len = bufferSize - 1;
    return cut(cp1252::decode(QByteArray::fromRawData(v, len)), bufferSize);
}

}  // namespace

ReadResult getString(Env& env, const QString& section, const QString& key,
                     const QString& defaultText, int bufferSize, const QString& path) {
    if (bufferSize <= 0) return {};
    const std::optional<QByteArray> file = env.readFile(path);
    if (file) {
        const Location loc = locate(*file, folded(fileName(section)), folded(fileName(key)));
        if (loc.keyFound) {
            return valueText(file->constData() + loc.value.begin, loc.value.size(), bufferSize);
        }
    }
    // The default goes through the code page like any text of the A calls.
    QByteArray def = cp1252::encode(defaultText);
    qsizetype e = def.size();
    while (e > 0 && isBlank(def[e - 1])) --e;
    def.truncate(e);
    return cut(cp1252::decode(def), bufferSize);
}

QString readBack(const QString& value) {
    const QByteArray bytes = storedBytes(value);
    qsizetype b = 0, e = bytes.size();
    while (b < e && isBlank(bytes[b])) ++b;
    while (e > b && isBlank(bytes[e - 1])) --e;
    return valueText(bytes.constData() + b, e - b, 1024).text;
}

bool writeString(Env& env, const QString& section, const QString& key, const QString& value,
                 const QString& path) {
    const QByteArray sectionName = fileName(section);
    const QByteArray keyName = fileName(key);
    const QByteArray valueBytes = storedBytes(value);

    const std::optional<QByteArray> existing = env.readFile(path);
    if (!existing) {
        // A file that is there but cannot be read must not be replaced by a new one.
        const int cause = errno;
        if (env.fileExists(path) || env.folderExists(path)) {
            errno = cause;
            return false;
        }
        return env.replaceFile(path,
                               '[' + sectionName + "]\r\n" + keyName + '=' + valueBytes + "\r\n");
    }

    const QByteArray& file = *existing;
    const Location loc = locate(file, folded(sectionName), folded(keyName));
    QByteArray out;
    out.reserve(file.size() + sectionName.size() + keyName.size() + valueBytes.size() + 8);
    if (loc.keyFound) {
        // The key keeps its place, its spelling and its line end.
        out.append(file.constData(), loc.keyLine.begin);
        out.append(file.constData() + loc.keyName.begin, loc.keyName.size());
        out.append('=');
        out.append(valueBytes);
        out.append(file.constData() + loc.keyLine.end, file.size() - loc.keyLine.end);
    } else if (loc.sectionFound) {
        out.append(file.constData(), loc.insertAt);
        if (loc.insertNeedsLineEnd) out.append("\r\n");
        out.append(keyName);
        out.append('=');
        out.append(valueBytes);
        out.append("\r\n");
        out.append(file.constData() + loc.insertAt, file.size() - loc.insertAt);
    } else {
        out.append(file);
        if (!file.isEmpty() && !isLineEnd(file.back())) out.append("\r\n");
        out.append('[');
        out.append(sectionName);
        out.append("]\r\n");
        out.append(keyName);
        out.append('=');
        out.append(valueBytes);
        out.append("\r\n");
    }
    return env.replaceFile(path, out);
}

}  // namespace vantor::profile
