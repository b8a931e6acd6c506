#pragma once
// The registry export text (.reg files): the tree of keys and typed values it
// describes, read as importing it would apply it, and written as the registry
// editor exports it ("Windows Registry Editor Version 5.00", UTF-16LE with a
// byte-order mark, CRLF). Also read: "REGEDIT4" files (Windows-1252), files
// saved as UTF-8 by a text editor, comments (';'), "\" line continuations in
// hex data, "[-KEY]" and "name"=- deletions. Names compare without regard to
// case and keep the spelling they were first given.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
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

// A registry file read once, to be asked many times: its text (the file's
// own bytes for the editor's UTF-16 format) and, for each key and value,
// where it lies in the text. Values are decoded when asked for. Reading is
// linear in the size of the file, and so is the memory it keeps.
class ParsedFile {
  public:
    // The registry the file describes, applied to emptyRegistry(); null with
    // `error` set when the file is not a registry file or a line cannot be
    // understood. No bytes, a byte-order mark alone or blank lines only are
    // an empty registry.
    static std::shared_ptr<const ParsedFile> read(QByteArray bytes, ParseError* error);

    // The key at `path` (its root first, names in any case); -1 when none.
    int find(const QStringList& path) const;
    // A value of the key find() gave; nullopt when the key has none of that name.
    std::optional<Value> value(int key, const QString& name) const;
    // The whole tree, for a change.
    Key tree() const;

  private:
    struct Name {
        int owner;  // the parent key, or the key holding the value
        QStringView name;
    };
    friend bool operator==(const Name& a, const Name& b);
    friend size_t qHash(const Name& n, size_t seed);
    // The subkeys or values of a key, in order (removed ones stay, marked):
    // found by a scan while few, through a hash once many.
    struct List {
        int first = -1, last = -1, count = 0;
    };
    struct Node {
        QStringView name;
        int next = -1;
        bool live = true;
        List children, values;
    };
    struct Entry {
        QStringView name;
        int next = -1;
        bool live = true;
        QStringView data;  // from after "=" to the end of its last continuation line
        std::uint32_t type = 0;
    };
    friend struct Reader;

    int child(int parent, QStringView name) const;
    int ensureChild(int parent, QStringView name);
    void removeChild(int parent, QStringView name);
    void setValue(int key, QStringView name, std::uint32_t type, QStringView data);
    void removeValue(int key, QStringView name);
    template <typename T>
    int lookup(const std::vector<T>& items, const List& list, const QHash<Name, int>& hash,
               int owner, QStringView name) const;
    template <typename T>
    int append(std::vector<T>& items, int owner, List Node::*which, QHash<Name, int>& hash, T item);
    Value decoded(const Entry& entry) const;
    Key treeOf(int node) const;

    QByteArray bytes_;
    QString text_;                    // over bytes_, or decoded from them
    bool ansi_ = false;               // REGEDIT4: text in hex data is Windows-1252
    std::vector<QString> unescaped_;  // value names with escapes, as the views see them
    std::vector<Node> nodes_;         // 0 is the top, above the roots
    std::vector<Entry> entries_;
    QHash<Name, int> children_;
    QHash<Name, int> values_;
};

// The registry a file describes, as ParsedFile::read() reads it, as a tree.
std::optional<Key> parse(const QByteArray& bytes, ParseError* error);

// The file of `top` (as parse() gives it), in the editor's 5.00 format.
QByteArray write(const Key& top);

// Text data as the system keeps it and as the ANSI (Windows-1252) calls see
// it; characters outside the code page become '?', as the system does.
QByteArray utf16FromAnsi(const QByteArray& ansi);
QByteArray ansiFromUtf16(const QByteArray& utf16);

}  // namespace vantor::regtext
