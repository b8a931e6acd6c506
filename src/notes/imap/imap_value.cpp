#include "notes/imap/imap_value.h"

namespace vantor::imap {

bool Value::isAtom(QByteArrayView word) const {
    return kind == Kind::Atom && bytes.size() == word.size() &&
           qstrnicmp(bytes.constData(), bytes.size(), word.data(), word.size()) == 0;
}

std::optional<quint64> Value::number() const {
    if (kind != Kind::Atom) return std::nullopt;
    return parseNumber(bytes);
}

std::optional<quint64> parseNumber(QByteArrayView digits) {
    if (digits.isEmpty() || digits.size() > 19) return std::nullopt;
    quint64 n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<quint64>(c - '0');
    }
    return n;
}

}  // namespace vantor::imap
