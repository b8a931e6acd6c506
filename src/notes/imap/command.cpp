#include "notes/imap/command.h"

#include <algorithm>

namespace vantor::imap {

namespace {

bool isAtomChar(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F) return false;
    switch (c) {
        case '(': case ')': case '{': case '%': case '*': case '"': case '\\': case ']': case '[':
            return false;
        default:
            return true;
    }
}

bool isQuotable(unsigned char c) { return c != 0 && c != '\r' && c != '\n' && c < 0x80; }

}  // namespace

Command::Command(QByteArrayView verb) : verb_(verb.toByteArray()) {}

Command& Command::raw(QByteArrayView text) {
    parts_.push_back({Part::Kind::Text, text.toByteArray()});
    return *this;
}

Command& Command::number(quint64 n) { return raw(QByteArray::number(n)); }

Command& Command::astring(QByteArrayView bytes) {
    if (!bytes.isEmpty() &&
        std::all_of(bytes.begin(), bytes.end(), [](char c) { return isAtomChar(c); }) &&
        bytes.compare("NIL", Qt::CaseInsensitive) != 0)
        return raw(bytes);
    return string(bytes);
}

Command& Command::string(QByteArrayView bytes) {
    if (!std::all_of(bytes.begin(), bytes.end(), [](char c) { return isQuotable(c); }))
        return literal(bytes.toByteArray());
    QByteArray quoted = "\"";
    for (char c : bytes) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return raw(quoted);
}

Command& Command::literal(QByteArray bytes) {
    parts_.push_back({Part::Kind::Literal, std::move(bytes)});
    return *this;
}

Command& Command::continuation(QByteArray line) {
    parts_.push_back({Part::Kind::Continuation, std::move(line)});
    return *this;
}

std::vector<QByteArray> Command::wire(QByteArrayView tag, LiteralMode mode) const {
    std::vector<QByteArray> pieces;
    QByteArray piece = tag.toByteArray() + ' ' + verb_;
    for (const Part& part : parts_) {
        switch (part.kind) {
            case Part::Kind::Text:
                piece += ' ' + part.bytes;
                break;
            case Part::Kind::Literal: {
                const bool waits =
                    mode == LiteralMode::Synchronizing ||
                    (mode == LiteralMode::NonSynchronizingSmall && part.bytes.size() > 4096);
                piece += " {" + QByteArray::number(part.bytes.size()) + (waits ? "}\r\n" : "+}\r\n");
                if (waits) {
                    pieces.push_back(std::move(piece));
                    piece.clear();
                }
                piece += part.bytes;
                break;
            }
            case Part::Kind::Continuation:
                piece += "\r\n";
                pieces.push_back(std::move(piece));
                piece = part.bytes;
                break;
        }
    }
    piece += "\r\n";
    pieces.push_back(std::move(piece));
    return pieces;
}

}  // namespace vantor::imap
