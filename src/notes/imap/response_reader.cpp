#include "notes/imap/response_reader.h"

#include <QString>

#include "notes/imap/imap_codes.h"
#include "platform/failure.h"

namespace vantor::imap {

namespace {

[[noreturn]] void bad(const QString& reason) { throw Failure(code::kBadServerData, reason); }

// The start of a response as the log can show it: printable ASCII only.
QString excerpt(QByteArrayView bytes) {
    QString out;
    for (qsizetype i = 0; i < bytes.size() && out.size() < 80; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        out += (c >= 0x20 && c < 0x7F) ? QChar(c) : QChar(u'·');
    }
    return out;
}

// The size a line announces for the literal that follows it ("... {12}\r\n"),
// or nullopt when the line announces none.
std::optional<qint64> announcedLiteral(const QByteArray& buf, qsizetype begin, qsizetype lf) {
    qsizetype end = lf;
    if (end > begin && buf[end - 1] == '\r') --end;
    if (end <= begin || buf[end - 1] != '}') return std::nullopt;
    qsizetype i = end - 1;
    if (i > begin && buf[i - 1] == '+') --i;  // LITERAL+ form, tolerated
    const qsizetype digitsEnd = i;
    while (i > begin && buf[i - 1] >= '0' && buf[i - 1] <= '9') --i;
    if (i == digitsEnd || i <= begin || buf[i - 1] != '{') return std::nullopt;
    const auto size = parseNumber(QByteArrayView(buf.constData() + i, digitsEnd - i));
    if (!size || *size > quint64(std::numeric_limits<qint64>::max()))
        bad(QStringLiteral("littéral de taille absurde (%1)")
                .arg(excerpt(QByteArrayView(buf.constData() + i - 1, end - i + 1))));
    return static_cast<qint64>(*size);
}

class Cursor {
public:
    Cursor(QByteArrayView bytes, int maxDepth) : b_(bytes), maxDepth_(maxDepth) {
        end_ = b_.size();
        if (end_ > 0 && b_[end_ - 1] == '\n') --end_;
        if (end_ > 0 && b_[end_ - 1] == '\r') --end_;
    }

    bool atEnd() const { return pos_ >= end_; }
    char peek() const { return atEnd() ? '\0' : b_[pos_]; }
    bool take(char c) {
        if (peek() != c || atEnd()) return false;
        ++pos_;
        return true;
    }
    void skipSpaces() {
        while (!atEnd() && b_[pos_] == ' ') ++pos_;
    }
    // The bytes up to `stop` (not taken) or the end.
    QByteArray rawUntil(char stop) {
        const qsizetype from = pos_;
        while (!atEnd() && b_[pos_] != stop) ++pos_;
        return QByteArray(b_.data() + from, pos_ - from);
    }
    QByteArray rest() {
        QByteArray r(b_.data() + pos_, end_ - pos_);
        pos_ = end_;
        return r;
    }

    [[noreturn]] void fail(const char* what) const {
        bad(QStringLiteral("réponse mal formée du serveur, %1 : « %2 »")
                .arg(QString::fromUtf8(what), excerpt(b_)));
    }

    // An atom, with "[...]" sections ("BODY[HEADER.FIELDS (DATE)]<0>")
    // taken whole. `inCode`: a "]" ends it (inside a response code).
    QByteArray atom(bool inCode) {
        const qsizetype from = pos_;
        while (!atEnd()) {
            const char c = b_[pos_];
            if (c == ' ' || c == '(' || c == ')' || c == '"' || c == '\r' || c == '\n') break;
            if (c == ']' && inCode) break;
            if (c == '[') {
                int open = 0;
                do {
                    if (b_[pos_] == '[') ++open;
                    if (b_[pos_] == ']') --open;
                    if (b_[pos_] == '\n') fail("section sans « ] »");
                    ++pos_;
                } while (open > 0 && !atEnd());
                if (open > 0) fail("section sans « ] »");
                continue;
            }
            ++pos_;
        }
        if (pos_ == from) fail("atome attendu");
        return QByteArray(b_.data() + from, pos_ - from);
    }

    QByteArray quoted() {
        ++pos_;  // the opening quote
        QByteArray out;
        while (true) {
            if (atEnd()) fail("chaîne sans guillemet final");
            const char c = b_[pos_++];
            if (c == '"') return out;
            if (c == '\\') {
                if (atEnd()) fail("chaîne sans guillemet final");
                out += b_[pos_++];
            } else if (c == '\r' || c == '\n') {
                fail("fin de ligne dans une chaîne");
            } else {
                out += c;
            }
        }
    }

    // At "{" or "~{": the literal's bytes (the framing checked they are there).
    QByteArray literal() {
        if (b_[pos_] == '~') ++pos_;
        ++pos_;  // "{"
        const qsizetype digits = pos_;
        while (!atEnd() && b_[pos_] >= '0' && b_[pos_] <= '9') ++pos_;
        const auto size = parseNumber(b_.sliced(digits, pos_ - digits));
        take('+');
        if (!size || !take('}')) fail("littéral mal annoncé");
        if (pos_ < b_.size() && b_[pos_] == '\r') ++pos_;
        if (pos_ >= b_.size() || b_[pos_] != '\n') fail("littéral mal annoncé");
        ++pos_;
        if (*size > quint64(b_.size() - pos_)) fail("littéral tronqué");
        QByteArray out(b_.data() + pos_, static_cast<qsizetype>(*size));
        pos_ += static_cast<qsizetype>(*size);
        return out;
    }

    Value value(int depth, bool inCode) {
        Value v;
        const char c = peek();
        if (c == '(') {
            if (depth >= maxDepth_) {
                skipList();
                v.kind = Value::Kind::Elided;
                return v;
            }
            ++pos_;
            v.kind = Value::Kind::List;
            while (true) {
                skipSpaces();
                if (atEnd()) fail("liste sans « ) »");
                if (take(')')) return v;
                v.items.push_back(value(depth + 1, inCode));
            }
        }
        if (c == '"') {
            v.kind = Value::Kind::String;
            v.bytes = quoted();
            return v;
        }
        if (c == '{' || (c == '~' && pos_ + 1 < end_ && b_[pos_ + 1] == '{')) {
            v.kind = Value::Kind::String;
            v.bytes = literal();
            return v;
        }
        if (c == ')') fail("« ) » sans « ( »");
        v.kind = Value::Kind::Atom;
        v.bytes = atom(inCode);
        if (v.isAtom("NIL")) {
            v.kind = Value::Kind::Nil;
            v.bytes.clear();
        }
        return v;
    }

    // Values separated by spaces until the end (or a "]" in a code).
    std::vector<Value> values(bool inCode) {
        std::vector<Value> out;
        while (true) {
            skipSpaces();
            if (atEnd() || (inCode && peek() == ']')) return out;
            out.push_back(value(0, inCode));
        }
    }

private:
    // Skips a list too deep to keep, with the strings and literals inside it.
    void skipList() {
        int open = 0;
        do {
            if (atEnd()) fail("liste sans « ) »");
            const char c = b_[pos_];
            if (c == '"') {
                quoted();
                continue;
            }
            if (c == '{' || (c == '~' && pos_ + 1 < end_ && b_[pos_ + 1] == '{')) {
                literal();
                continue;
            }
            if (c == '(') ++open;
            if (c == ')') --open;
            ++pos_;
        } while (open > 0);
    }

    QByteArrayView b_;
    qsizetype pos_ = 0;
    qsizetype end_ = 0;
    int maxDepth_;
};

bool isStatusName(const QByteArray& name) {
    return name == "OK" || name == "NO" || name == "BAD" || name == "BYE" || name == "PREAUTH";
}

// Codes whose arguments are values; any other code's text is kept as one atom.
bool hasValueArgs(const QByteArray& name) {
    static const char* const known[] = {"CAPABILITY",    "PERMANENTFLAGS", "BADCHARSET",
                                        "UIDVALIDITY",   "UIDNEXT",        "UNSEEN",
                                        "HIGHESTMODSEQ", "COPYUID",        "APPENDUID",
                                        "MODIFIED"};
    for (const char* k : known)
        if (name == k) return true;
    return false;
}

void statusPart(Cursor& c, Response& r) {
    c.skipSpaces();
    if (c.take('[')) {
        ResponseCode code;
        code.name = c.atom(true).toUpper();
        if (hasValueArgs(code.name)) {
            code.args = c.values(true);
        } else {
            c.skipSpaces();
            const QByteArray text = c.rawUntil(']');
            if (!text.isEmpty()) code.args.push_back(Value{Value::Kind::Atom, text, {}});
        }
        if (!c.take(']')) c.fail("code sans « ] »");
        r.code = std::move(code);
        c.skipSpaces();
    }
    r.text = c.rest();
}

}  // namespace

bool Response::isStatus() const { return isStatusName(name); }

Response parseResponse(QByteArrayView framed, int maxDepth) {
    Cursor c(framed, maxDepth);
    Response r;
    if (c.take('+')) {
        r.type = Response::Type::Continuation;
        c.take(' ');
        r.text = c.rest();
        return r;
    }
    if (c.take('*')) {
        r.type = Response::Type::Untagged;
        if (!c.take(' ')) c.fail("« * » sans espace");
        c.skipSpaces();
        QByteArray first = c.atom(false);
        if (const auto n = parseNumber(first)) {
            r.number = n;
            c.skipSpaces();
            first = c.atom(false);
        }
        r.name = first.toUpper();
    } else {
        r.type = Response::Type::Tagged;
        r.tag = c.atom(false);
        c.skipSpaces();
        r.name = c.atom(false).toUpper();
        if (!isStatusName(r.name)) c.fail("réponse étiquetée sans état");
    }
    if (isStatusName(r.name) && !r.number) {
        statusPart(c, r);
    } else {
        r.values = c.values(false);
    }
    return r;
}

void ResponseReader::compact() {
    if (start_ == 0) return;
    buffer_.remove(0, start_);
    segment_ -= start_;
    scanned_ -= start_;
    start_ = 0;
}

void ResponseReader::feed(QByteArrayView bytes) {
    // Whole responses are dropped from the front only now and then, so that
    // many small responses in one read cost one move, not one each.
    if (start_ > 0 && (start_ == buffer_.size() || start_ >= buffer_.size() / 2)) compact();
    buffer_.append(bytes.data(), bytes.size());
}

std::optional<Response> ResponseReader::next() {
    while (true) {
        if (literalLeft_ > 0) {
            const qint64 available = buffer_.size() - scanned_;
            if (available < literalLeft_) return std::nullopt;
            scanned_ += static_cast<qsizetype>(literalLeft_);
            literalLeft_ = 0;
            segment_ = scanned_;
        }
        const qsizetype lf = buffer_.indexOf('\n', scanned_);
        if (lf < 0) {
            scanned_ = buffer_.size();
            if (scanned_ - segment_ > limits_.maxLine)
                bad(QStringLiteral("ligne de réponse de plus de %1 octets").arg(limits_.maxLine));
            return std::nullopt;
        }
        if (lf - segment_ > limits_.maxLine)
            bad(QStringLiteral("ligne de réponse de plus de %1 octets").arg(limits_.maxLine));
        const qint64 sizeSoFar = lf + 1 - start_;
        if (const auto literal = announcedLiteral(buffer_, segment_, lf)) {
            if (*literal > limits_.maxResponse - sizeSoFar)
                bad(QStringLiteral("littéral de %1 octets, au-delà de la limite de %2 octets")
                        .arg(*literal)
                        .arg(limits_.maxResponse));
            literalLeft_ = *literal;
            scanned_ = segment_ = lf + 1;
            continue;
        }
        if (sizeSoFar > limits_.maxResponse)
            bad(QStringLiteral("réponse de plus de %1 octets").arg(limits_.maxResponse));
        const QByteArrayView framed(buffer_.constData() + start_, lf + 1 - start_);
        start_ = segment_ = scanned_ = lf + 1;
        return parseResponse(framed, limits_.maxDepth);
    }
}

}  // namespace vantor::imap
