#pragma once
// The registry export text (.reg files): the tree of keys and typed values it
// describes, read as importing it would apply it, and written as the registry
// editor exports it ("Windows Registry Editor Version 5.00", UTF-16LE with a
// byte-order mark, CRLF). Also read: "REGEDIT4" files (Windows-1252), files
// saved as UTF-8 by a text editor, comments (';'), "\" line continuations in
// hex data, "[-KEY]" and "name"=- deletions. Names compare without regard to
// case and keep the spelling they were first given.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace vantor::regtext {

struct Value {
    QString name;  // "" is the key's default value, "@" in the file
    std::uint32_t type = 0;
    QByteArray data;  // as the system keeps it: text types in UTF-16LE
};

struct Key {
    QString name;
    std::vector<Value> values;
    std::vector<Key> subkeys;

    Key* subkey(const QString& n);
    const Key* subkey(const QString& n) const;
    // The subkey, added at the end when missing.
    Key& ensureSubkey(const QString& n);
    bool removeSubkey(const QString& n);

    const Value* value(const QString& n) const;
    void setValue(const QString& n, std::uint32_t type, const QByteArray& data);
    bool removeValue(const QString& n);
};

// Deepest key path the system keeps, its root included; a file or a call
// that goes deeper is refused.
inline constexpr qsizetype kMaxDepth = 512;

// The root names a registry file may use, in the order they are written.
const std::vector<QString>& rootNames();

// A registry with every root of rootNames() and nothing in them.
Key emptyRegistry();

struct ParseError {
    int line = 0;  // 1-based line of the file
    QString reason;
};

// The registry a file describes, applied to emptyRegistry(); nullopt with `error` set when the file
// is not a registry file or a line cannot be understood. Linear in the size of the file, however
// many keys stand side by side.
std::optional<Key> parse(const QByteArray& bytes, ParseError* error);

// The file of `top` (as parse() gives it), in the editor's 5.00 format.
QByteArray write(const Key& top);

// Text data as the system keeps it and as the ANSI (Windows-1252) calls see
// it; characters outside the code page become '?', as the system does.
QByteArray utf16FromAnsi(const QByteArray& ansi);
QByteArray ansiFromUtf16(const QByteArray& utf16);

}  // namespace vantor::regtext
