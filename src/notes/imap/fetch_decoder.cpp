#include "notes/imap/fetch_decoder.h"

#include <QTimeZone>

namespace vantor::imap {

namespace {

bool sameWord(QByteArrayView a, QByteArrayView b) {
    return a.size() == b.size() && qstrnicmp(a.data(), a.size(), b.data(), b.size()) == 0;
}

// An nstring: the text, or "" for NIL.
bool nstring(const Value& v, QByteArray& out) {
    if (v.isNil()) {
        out.clear();
        return true;
    }
    if (!v.isString() && !v.isAtom()) return false;
    out = v.bytes;
    return true;
}

bool addresses(const Value& v, std::vector<Address>& out) {
    if (v.isNil()) return true;
    if (!v.isList()) return false;
    for (const Value& a : v.items) {
        if (!a.isList() || a.items.size() != 4) return false;
        Address addr;
        QByteArray route;
        if (!nstring(a.items[0], addr.name) || !nstring(a.items[1], route) ||
            !nstring(a.items[2], addr.mailbox) || !nstring(a.items[3], addr.host))
            return false;
        // Group markers (a NIL host) carry no address.
        if (!a.items[3].isNil()) out.push_back(std::move(addr));
    }
    return true;
}

std::optional<Envelope> envelope(const Value& v) {
    if (!v.isList() || v.items.size() != 10) return std::nullopt;
    const auto& f = v.items;
    Envelope e;
    if (!nstring(f[0], e.date) || !nstring(f[1], e.subject) || !addresses(f[2], e.from) ||
        !addresses(f[3], e.sender) || !addresses(f[4], e.replyTo) || !addresses(f[5], e.to) ||
        !addresses(f[6], e.cc) || !addresses(f[7], e.bcc) || !nstring(f[8], e.inReplyTo) ||
        !nstring(f[9], e.messageId))
        return std::nullopt;
    return e;
}

bool parameters(const Value& v, Parameters& out) {
    if (v.isNil()) return true;
    if (!v.isList() || v.items.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < v.items.size(); i += 2) {
        if (!v.items[i].isText() || !v.items[i + 1].isText()) return false;
        out.emplace_back(v.items[i].bytes.toLower(), v.items[i + 1].bytes);
    }
    return true;
}

bool disposition(const Value& v, BodyPart& part) {
    if (v.isNil()) return true;
    if (!v.isList() || v.items.size() != 2 || !v.items[0].isText()) return false;
    part.disposition = v.items[0].bytes.toLower();
    return parameters(v.items[1], part.dispositionParameters);
}

QByteArray child(const QByteArray& number, std::size_t index) {
    const QByteArray n = QByteArray::number(static_cast<quint64>(index + 1));
    return number.isEmpty() ? n : number + '.' + n;
}

BodyPart opaque(QByteArray section) {
    BodyPart p;
    p.section = std::move(section);
    p.type = "application";
    p.subtype = "octet-stream";
    p.truncated = true;
    return p;
}

// `number`: the part number of a multipart's child; `inMessage`: the body
// of a message (the top one or an attached one), whose single part is
// number ".1" and whose multipart's children are number ".n".
std::optional<BodyPart> body(const Value& v, const QByteArray& number, bool inMessage,
                             int depthLeft) {
    const QByteArray own = inMessage ? child(number, 0) : number;
    if (v.kind == Value::Kind::Elided || depthLeft <= 0) return opaque(own);
    if (!v.isList() || v.items.empty()) return std::nullopt;
    const auto& f = v.items;
    if (f[0].isList() || f[0].kind == Value::Kind::Elided) {  // multipart
        BodyPart part;
        part.section = number;
        part.type = "multipart";
        std::size_t i = 0;
        for (; i < f.size() && (f[i].isList() || f[i].kind == Value::Kind::Elided); ++i) {
            auto sub = body(f[i], child(number, i), false, depthLeft - 1);
            if (!sub) return std::nullopt;
            part.parts.push_back(std::move(*sub));
        }
        if (i >= f.size() || !f[i].isText()) return std::nullopt;
        part.subtype = f[i].bytes.toLower();
        if (i + 1 < f.size() && !parameters(f[i + 1], part.parameters)) return std::nullopt;
        if (i + 2 < f.size() && !disposition(f[i + 2], part)) return std::nullopt;
        return part;
    }
    if (f.size() < 7 || !f[0].isText() || !f[1].isText()) return std::nullopt;
    BodyPart part;
    part.section = own;
    part.type = f[0].bytes.toLower();
    part.subtype = f[1].bytes.toLower();
    const auto size = f[6].number();
    if (!parameters(f[2], part.parameters) || !nstring(f[3], part.id) ||
        !nstring(f[4], part.description) || !nstring(f[5], part.encoding) || !size)
        return std::nullopt;
    part.encoding = part.encoding.toLower();
    part.size = *size;
    std::size_t next = 7;
    if (part.type == "message" && (part.subtype == "rfc822" || part.subtype == "global") &&
        f.size() >= 10) {
        auto inner = body(f[8], own, true, depthLeft - 1);
        if (!inner) return std::nullopt;
        part.parts.push_back(std::move(*inner));
        next = 10;
    } else if (part.type == "text") {
        next = 8;  // the line count
    }
    // Extension data: MD5, then the disposition.
    if (next + 1 < f.size() && !disposition(f[next + 1], part)) return std::nullopt;
    return part;
}

// "BODY[1.2]<0>" -> section "1.2", origin 0.
bool sectionItem(const QByteArray& item, SectionData& out) {
    const qsizetype open = item.indexOf('[');
    const qsizetype close = item.lastIndexOf(']');
    if (open < 0 || close < open) return false;
    const QByteArray name = item.left(open);
    if (!sameWord(name, "BODY") && !sameWord(name, "BINARY") && !sameWord(name, "RFC822"))
        return false;
    out.section = item.mid(open + 1, close - open - 1);
    const QByteArray tail = item.mid(close + 1);
    if (tail.startsWith('<') && tail.endsWith('>')) {
        out.origin = parseNumber(QByteArrayView(tail).sliced(1, tail.size() - 2));
        if (!out.origin) return false;
    } else if (!tail.isEmpty()) {
        return false;
    }
    return true;
}

}  // namespace

QByteArray BodyPart::parameter(QByteArrayView name) const {
    for (const Parameters* list : {&parameters, &dispositionParameters})
        for (const auto& [key, value] : *list)
            if (sameWord(key, name)) return value;
    return {};
}

namespace {
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}  // namespace

QByteArray formatInternalDate(const QDateTime& instant) {
    const int offset = instant.offsetFromUtc();
    const QDateTime local = instant.toOffsetFromUtc(offset);
    const int minutes = std::abs(offset) / 60;
    return QStringLiteral("%1-%2-%3 %4 %5%6%7")
        .arg(local.date().day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(kMonths[local.date().month() - 1]))
        .arg(local.date().year(), 4, 10, QLatin1Char('0'))
        .arg(local.time().toString(QStringLiteral("HH:mm:ss")))
        .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

std::optional<QDateTime> parseInternalDate(QByteArrayView text) {
    // dd-Mon-yyyy hh:mm:ss +zzzz, the day possibly space-padded.
    const char* const* months = kMonths;
    QByteArray t = text.trimmed().toByteArray();
    if (t.size() == 25) t.prepend('0');
    if (t.size() != 26 || t[2] != '-' || t[6] != '-' || t[11] != ' ' || t[14] != ':' ||
        t[17] != ':' || t[20] != ' ' || (t[21] != '+' && t[21] != '-'))
        return std::nullopt;
    const auto num = [&](int from, int len) { return parseNumber(QByteArrayView(t).sliced(from, len)); };
    int month = 0;
    for (int m = 0; m < 12; ++m)
        if (sameWord(QByteArrayView(t).sliced(3, 3), months[m])) month = m + 1;
    const auto day = num(0, 2), year = num(7, 4), hh = num(12, 2), mm = num(15, 2),
               ss = num(18, 2), zh = num(22, 2), zm = num(24, 2);
    if (!month || !day || !year || !hh || !mm || !ss || !zh || !zm || *zm > 59 || *zh > 23)
        return std::nullopt;
    const QDate date(static_cast<int>(*year), month, static_cast<int>(*day));
    const QTime time(static_cast<int>(*hh), static_cast<int>(*mm), static_cast<int>(*ss));
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    const int offset = (t[21] == '-' ? -1 : 1) * static_cast<int>(*zh * 3600 + *zm * 60);
    return QDateTime(date, time, QTimeZone(offset)).toUTC();
}

std::optional<FetchData> decodeFetch(const Response& r, int maxMimeDepth) {
    if (r.type != Response::Type::Untagged || r.name != "FETCH" || !r.number ||
        r.values.size() != 1 || !r.values[0].isList())
        return std::nullopt;
    FetchData d;
    d.sequence = *r.number;
    const auto& items = r.values[0].items;
    for (std::size_t i = 0; i + 1 < items.size(); i += 2) {
        const Value& key = items[i];
        const Value& v = items[i + 1];
        if (!key.isAtom()) return std::nullopt;  // the pairs are lost from here
        if (key.isAtom("UID")) {
            const auto n = v.number();
            if (n && *n > 0 && *n <= 0xFFFFFFFFull) d.uid = static_cast<quint32>(*n);
        } else if (key.isAtom("FLAGS")) {
            if (!v.isList()) continue;
            std::vector<QByteArray> flags;
            for (const Value& f : v.items)
                if (f.isAtom()) flags.push_back(f.bytes);
            d.flags = std::move(flags);
        } else if (key.isAtom("INTERNALDATE")) {
            if (v.isText()) d.internalDate = parseInternalDate(v.bytes);
        } else if (key.isAtom("RFC822.SIZE")) {
            d.size = v.number();
        } else if (key.isAtom("ENVELOPE")) {
            d.envelope = envelope(v);
        } else if (key.isAtom("BODYSTRUCTURE") || key.isAtom("BODY")) {
            d.body = body(v, QByteArray(), true, maxMimeDepth);
        } else if (key.isAtom("MODSEQ")) {
            if (v.isList() && v.items.size() == 1) d.modSeq = v.items[0].number();
        } else {
            SectionData s;
            if (!sectionItem(key.bytes, s)) continue;  // an item not asked for
            s.nil = v.isNil();
            if (!s.nil && !v.isText()) continue;
            s.bytes = v.bytes;
            d.sections.push_back(std::move(s));
        }
    }
    return d;
}

}  // namespace vantor::imap
