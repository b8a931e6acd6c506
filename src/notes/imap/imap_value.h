#pragma once
// The pieces of a server response as the protocol writes them: atoms,
// strings (quoted or literal), NIL and parenthesised lists. Typed meaning is
// given by the decoders (data_decoders.h, fetch_decoder.h).
#include <QByteArray>
#include <QByteArrayView>
#include <optional>
#include <vector>

namespace vantor::imap {

struct Value {
    enum class Kind : unsigned char {
        Atom,
        String,
        Nil,
        List,
        // A list nested deeper than the reader's bound: its content was skipped.
        Elided,
    };
    Kind kind = Kind::Nil;
    QByteArray bytes;          // Atom and String
    std::vector<Value> items;  // List

    bool isAtom() const { return kind == Kind::Atom; }
    bool isString() const { return kind == Kind::String; }
    bool isNil() const { return kind == Kind::Nil; }
    bool isList() const { return kind == Kind::List; }
    // An atom equal to `word`, without regard to ASCII case.
    bool isAtom(QByteArrayView word) const;
    // An atom or a string (an astring of the grammar).
    bool isText() const { return kind == Kind::Atom || kind == Kind::String; }
    // An atom of at most 19 decimal digits.
    std::optional<quint64> number() const;
};

// The same number rule for any bytes.
std::optional<quint64> parseNumber(QByteArrayView digits);

}  // namespace vantor::imap
