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
    Cursor(QByteArrayView bytes, std::vector<QByteArray>& literals, int maxDepth)
        : b_(bytes), literals_(literals), maxDepth_(maxDepth) {
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

    static bool isDelimiter(char c, bool inCode) {
        return c == ' ' || c == '(' || c == ')' || c == '"' || c == '\r' || c == '\n' ||
               (c == ']' && inCode);
    }

    // An atom, with "[...]" sections ("BODY[HEADER.FIELDS (DATE)]<0>")
    // taken whole. `inCode`: a "]" ends it (inside a response code).
    QByteArray atom(bool inCode) {
        const qsizetype from = pos_;
        while (!atEnd()) {
            const char c = b_[pos_];
            if (isDelimiter(c, inCode)) break;
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
        const qsizetype from = pos_;
        while (pos_ < end_ && b_[pos_] != '"' && b_[pos_] != '\\' && b_[pos_] != '\n') ++pos_;
        if (pos_ < end_ && b_[pos_] == '"') {  // no escape: the bytes as they are
            return QByteArray(b_.data() + from, pos_++ - from);
        }
        QByteArray out(b_.data() + from, pos_ - from);
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

    // At "{" or "~{": the literal's bytes, which the framing kept apart.
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
        if (nextLiteral_ >= literals_.size() ||
            quint64(literals_[nextLiteral_].size()) != *size)
            fail("littéral tronqué");
        return std::move(literals_[nextLiteral_++]);
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
        if (end_ - pos_ >= 3 && qstrnicmp(b_.data() + pos_, 3, "NIL", 3) == 0 &&
            (end_ - pos_ == 3 || isDelimiter(b_[pos_ + 3], inCode))) {
            pos_ += 3;
            return v;  // NIL
        }
        v.kind = Value::Kind::Atom;
        v.bytes = atom(inCode);
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
    std::vector<QByteArray>& literals_;
    std::size_t nextLiteral_ = 0;
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

Response parseResponse(ResponseReader::Framed framed, int maxDepth) {
    Cursor c(framed.lines, framed.literals, maxDepth);
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

void ResponseReader::feed(QByteArrayView bytes) {
    if (error_) return;
    try {
        frame(bytes);
    } catch (const Failure& f) {
        error_ = f;
    }
}

// Lines go to the response's line buffer, each literal's bytes to an array
// of its own as they arrive; a response is ready at the end of a line that
// announces no literal.
void ResponseReader::frame(QByteArrayView bytes) {
    qsizetype i = 0;
    while (i < bytes.size()) {
        if (literalLeft_ > 0) {
            const qsizetype n = static_cast<qsizetype>(std::min<qint64>(literalLeft_, bytes.size() - i));
            current_.literals.back().append(bytes.data() + i, n);
            literalLeft_ -= n;
            i += n;
            continue;
        }
        const qsizetype lf = bytes.indexOf('\n', i);
        const qsizetype end = lf < 0 ? bytes.size() : lf + 1;
        current_.lines.append(bytes.data() + i, end - i);
        size_ += end - i;
        i = end;
        if (current_.lines.size() - lineStart_ > limits_.maxLine)
            bad(QStringLiteral("ligne de réponse de plus de %1 octets").arg(limits_.maxLine));
        if (size_ > limits_.maxResponse)
            bad(QStringLiteral("réponse de plus de %1 octets").arg(limits_.maxResponse));
        if (lf < 0) return;
        if (const auto literal = announcedLiteral(current_.lines, lineStart_, current_.lines.size() - 1)) {
            if (*literal > limits_.maxResponse - size_)
                bad(QStringLiteral("littéral de %1 octets, au-delà de la limite de %2 octets")
                        .arg(*literal)
                        .arg(limits_.maxResponse));
            literalLeft_ = *literal;
            size_ += *literal;
            current_.literals.emplace_back();
            lineStart_ = current_.lines.size();
            continue;
        }
        ready_.push_back(std::move(current_));
        current_ = Framed();
        lineStart_ = 0;
        size_ = 0;
    }
}

std::optional<Response> ResponseReader::next() {
    if (!ready_.empty()) {
        Framed framed = std::move(ready_.front());
        ready_.pop_front();
        return parseResponse(std::move(framed), limits_.maxDepth);
    }
    if (error_) throw *error_;
    return std::nullopt;
}

}  // namespace vantor::imap
