#include "notes/mime/html_text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "platform/cp1252.h"

namespace vantor::mime {

namespace {

struct Entity {
    std::string_view name;
    char32_t value;
};

// The named character references of HTML 4, sorted by name (case matters).
constexpr Entity kEntities[] = {
    {"AElig", 0xC6},     {"Aacute", 0xC1},   {"Acirc", 0xC2},     {"Agrave", 0xC0},
    {"Alpha", 0x391},    {"Aring", 0xC5},    {"Atilde", 0xC3},    {"Auml", 0xC4},
    {"Beta", 0x392},     {"Ccedil", 0xC7},   {"Chi", 0x3A7},      {"Dagger", 0x2021},
    {"Delta", 0x394},    {"ETH", 0xD0},      {"Eacute", 0xC9},    {"Ecirc", 0xCA},
    {"Egrave", 0xC8},    {"Epsilon", 0x395}, {"Eta", 0x397},      {"Euml", 0xCB},
    {"Gamma", 0x393},    {"Iacute", 0xCD},   {"Icirc", 0xCE},     {"Igrave", 0xCC},
    {"Iota", 0x399},     {"Iuml", 0xCF},     {"Kappa", 0x39A},    {"Lambda", 0x39B},
    {"Mu", 0x39C},       {"Ntilde", 0xD1},   {"Nu", 0x39D},       {"OElig", 0x152},
    {"Oacute", 0xD3},    {"Ocirc", 0xD4},    {"Ograve", 0xD2},    {"Omega", 0x3A9},
    {"Omicron", 0x39F},  {"Oslash", 0xD8},   {"Otilde", 0xD5},    {"Ouml", 0xD6},
    {"Phi", 0x3A6},      {"Pi", 0x3A0},      {"Prime", 0x2033},   {"Psi", 0x3A8},
    {"Rho", 0x3A1},      {"Scaron", 0x160},  {"Sigma", 0x3A3},    {"THORN", 0xDE},
    {"Tau", 0x3A4},      {"Theta", 0x398},   {"Uacute", 0xDA},    {"Ucirc", 0xDB},
    {"Ugrave", 0xD9},    {"Upsilon", 0x3A5}, {"Uuml", 0xDC},      {"Xi", 0x39E},
    {"Yacute", 0xDD},    {"Yuml", 0x178},    {"Zeta", 0x396},     {"aacute", 0xE1},
    {"acirc", 0xE2},     {"acute", 0xB4},    {"aelig", 0xE6},     {"agrave", 0xE0},
    {"alefsym", 0x2135}, {"alpha", 0x3B1},   {"amp", 0x26},       {"and", 0x2227},
    {"ang", 0x2220},     {"apos", 0x27},     {"aring", 0xE5},     {"asymp", 0x2248},
    {"atilde", 0xE3},    {"auml", 0xE4},     {"bdquo", 0x201E},   {"beta", 0x3B2},
    {"brvbar", 0xA6},    {"bull", 0x2022},   {"cap", 0x2229},     {"ccedil", 0xE7},
    {"cedil", 0xB8},     {"cent", 0xA2},     {"chi", 0x3C7},      {"circ", 0x2C6},
    {"clubs", 0x2663},   {"cong", 0x2245},   {"copy", 0xA9},      {"crarr", 0x21B5},
    {"cup", 0x222A},     {"curren", 0xA4},   {"dArr", 0x21D3},    {"dagger", 0x2020},
    {"darr", 0x2193},    {"deg", 0xB0},      {"delta", 0x3B4},    {"diams", 0x2666},
    {"divide", 0xF7},    {"eacute", 0xE9},   {"ecirc", 0xEA},     {"egrave", 0xE8},
    {"empty", 0x2205},   {"emsp", 0x2003},   {"ensp", 0x2002},    {"epsilon", 0x3B5},
    {"equiv", 0x2261},   {"eta", 0x3B7},     {"eth", 0xF0},       {"euml", 0xEB},
    {"euro", 0x20AC},    {"exist", 0x2203},  {"fnof", 0x192},     {"forall", 0x2200},
    {"frac12", 0xBD},    {"frac14", 0xBC},   {"frac34", 0xBE},    {"frasl", 0x2044},
    {"gamma", 0x3B3},    {"ge", 0x2265},     {"gt", 0x3E},        {"hArr", 0x21D4},
    {"harr", 0x2194},    {"hearts", 0x2665}, {"hellip", 0x2026},  {"iacute", 0xED},
    {"icirc", 0xEE},     {"iexcl", 0xA1},    {"igrave", 0xEC},    {"image", 0x2111},
    {"infin", 0x221E},   {"int", 0x222B},    {"iota", 0x3B9},     {"iquest", 0xBF},
    {"isin", 0x2208},    {"iuml", 0xEF},     {"kappa", 0x3BA},    {"lArr", 0x21D0},
    {"lambda", 0x3BB},   {"lang", 0x2329},   {"laquo", 0xAB},     {"larr", 0x2190},
    {"lceil", 0x2308},   {"ldquo", 0x201C},  {"le", 0x2264},      {"lfloor", 0x230A},
    {"lowast", 0x2217},  {"loz", 0x25CA},    {"lrm", 0x200E},     {"lsaquo", 0x2039},
    {"lsquo", 0x2018},   {"lt", 0x3C},       {"macr", 0xAF},      {"mdash", 0x2014},
    {"micro", 0xB5},     {"middot", 0xB7},   {"minus", 0x2212},   {"mu", 0x3BC},
    {"nabla", 0x2207},   {"nbsp", 0xA0},     {"ndash", 0x2013},   {"ne", 0x2260},
    {"ni", 0x220B},      {"not", 0xAC},      {"notin", 0x2209},   {"nsub", 0x2284},
    {"ntilde", 0xF1},    {"nu", 0x3BD},      {"oacute", 0xF3},    {"ocirc", 0xF4},
    {"oelig", 0x153},    {"ograve", 0xF2},   {"oline", 0x203E},   {"omega", 0x3C9},
    {"omicron", 0x3BF},  {"oplus", 0x2295},  {"or", 0x2228},      {"ordf", 0xAA},
    {"ordm", 0xBA},      {"oslash", 0xF8},   {"otilde", 0xF5},    {"otimes", 0x2297},
    {"ouml", 0xF6},      {"para", 0xB6},     {"part", 0x2202},    {"permil", 0x2030},
    {"perp", 0x22A5},    {"phi", 0x3C6},     {"pi", 0x3C0},       {"piv", 0x3D6},
    {"plusmn", 0xB1},    {"pound", 0xA3},    {"prime", 0x2032},   {"prod", 0x220F},
    {"prop", 0x221D},    {"psi", 0x3C8},     {"quot", 0x22},      {"rArr", 0x21D2},
    {"radic", 0x221A},   {"rang", 0x232A},   {"raquo", 0xBB},     {"rarr", 0x2192},
    {"rceil", 0x2309},   {"rdquo", 0x201D},  {"real", 0x211C},    {"reg", 0xAE},
    {"rfloor", 0x230B},  {"rho", 0x3C1},     {"rlm", 0x200F},     {"rsaquo", 0x203A},
    {"rsquo", 0x2019},   {"sbquo", 0x201A},  {"scaron", 0x161},   {"sdot", 0x22C5},
    {"sect", 0xA7},      {"shy", 0xAD},      {"sigma", 0x3C3},    {"sigmaf", 0x3C2},
    {"sim", 0x223C},     {"spades", 0x2660}, {"sub", 0x2282},     {"sube", 0x2286},
    {"sum", 0x2211},     {"sup", 0x2283},    {"sup1", 0xB9},      {"sup2", 0xB2},
    {"sup3", 0xB3},      {"supe", 0x2287},   {"szlig", 0xDF},     {"tau", 0x3C4},
    {"there4", 0x2234},  {"theta", 0x3B8},   {"thetasym", 0x3D1}, {"thinsp", 0x2009},
    {"thorn", 0xFE},     {"tilde", 0x2DC},   {"times", 0xD7},     {"trade", 0x2122},
    {"uArr", 0x21D1},    {"uacute", 0xFA},   {"uarr", 0x2191},    {"ucirc", 0xFB},
    {"ugrave", 0xF9},    {"uml", 0xA8},      {"upsih", 0x3D2},    {"upsilon", 0x3C5},
    {"uuml", 0xFC},      {"weierp", 0x2118}, {"xi", 0x3BE},       {"yacute", 0xFD},
    {"yen", 0xA5},       {"yuml", 0xFF},     {"zeta", 0x3B6},     {"zwj", 0x200D},
    {"zwnj", 0x200C},
};

const Entity* findEntity(std::string_view name) {
    const Entity* end = std::end(kEntities);
    const Entity* found =
        std::lower_bound(std::begin(kEntities), end, name,
                         [](const Entity& e, std::string_view n) { return e.name < n; });
    return found != end && found->name == name ? found : nullptr;
}

bool isSpace(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || u == '\t' || u == '\n' || u == '\r' || u == '\f';
}
bool isAsciiLetter(QChar c) {
    const char16_t u = c.unicode() | 0x20;
    return u >= 'a' && u <= 'z';
}
// Characters that end a run of plain text.
bool isSpecial(QChar c) {
    return c == QLatin1Char('<') || c == QLatin1Char('&') || isSpace(c) || c.unicode() == 0xA0;
}
bool isAsciiAlnum(QChar c) {
    return isAsciiLetter(c) || (c.unicode() >= '0' && c.unicode() <= '9');
}

enum class Tag { Other, Block, Break, Cell, Pre, RawText };

// What a tag does to the text; `name` is lower-case ASCII.
Tag tagKind(std::string_view name) {
    static constexpr std::string_view kBlocks[] = {
        "address", "article", "aside", "blockquote", "body",       "caption", "center",
        "dd",      "div",     "dl",    "dt",         "figcaption", "figure",  "footer",
        "form",    "h1",      "h2",    "h3",         "h4",         "h5",      "h6",
        "header",  "hr",      "html",  "li",         "main",       "nav",     "ol",
        "p",       "section", "table", "tr",         "ul"};
    if (name == "br") return Tag::Break;
    if (name == "td" || name == "th") return Tag::Cell;
    if (name == "pre" || name == "listing") return Tag::Pre;
    if (name == "script" || name == "style" || name == "title") return Tag::RawText;
    return std::binary_search(std::begin(kBlocks), std::end(kBlocks), name) ? Tag::Block
                                                                            : Tag::Other;
}

// Collects visible characters, folding white space outside <pre> and
// turning blocks and breaks into at most one blank line.
class TextWriter {
  public:
    explicit TextWriter(qsizetype capacity) { out_.reserve(capacity); }

    void character(QChar c) {
        flushBlanks();
        out_.append(c.unicode() == 0xA0 ? QChar(QLatin1Char(' ')) : c);
    }
    // A run of ordinary characters: no markup, blanks or no-break spaces.
    void text(QStringView run) {
        flushBlanks();
        out_.append(run);
    }
    void character(char32_t code) {
        if (QChar::requiresSurrogates(code)) {
            character(QChar(QChar::highSurrogate(code)));
            out_.append(QChar(QChar::lowSurrogate(code)));
        } else {
            character(QChar(static_cast<char16_t>(code)));
        }
    }
    // Blanks fold into one space, except inside <pre>.
    void space(QChar c) {
        if (preDepth_ == 0)
            space_ = true;
        else if (c != QLatin1Char('\r'))
            character(c);
    }
    void lineBreak() { breaks_ = std::min(breaks_ + 1, 2); }
    void blockEdge() { breaks_ = std::max(breaks_, 1); }
    void enterPre() { ++preDepth_; }
    void leavePre() { preDepth_ = std::max(preDepth_ - 1, 0); }

    // Lines without trailing blanks, no blank lines at either end.
    QString finish() {
        QString text;
        text.reserve(out_.size());
        qsizetype start = 0;
        while (start <= out_.size()) {
            qsizetype end = out_.indexOf(QLatin1Char('\n'), start);
            if (end < 0) end = out_.size();
            qsizetype last = end;
            while (last > start &&
                   (out_[last - 1] == QLatin1Char(' ') || out_[last - 1] == QLatin1Char('\t')))
                --last;
            text.append(QStringView(out_).mid(start, last - start));
            text.append(QLatin1Char('\n'));
            start = end + 1;
        }
        qsizetype first = 0;
        while (first < text.size() && text[first] == QLatin1Char('\n')) ++first;
        qsizetype last = text.size();
        while (last > first && text[last - 1] == QLatin1Char('\n')) --last;
        return text.mid(first, last - first);
    }

  private:
    void flushBlanks() {
        if (breaks_ > 0) {
            if (!out_.isEmpty())
                for (int i = 0; i < breaks_; ++i) out_.append(QLatin1Char('\n'));
        } else if (space_ && !out_.isEmpty() && !out_.endsWith(QLatin1Char('\n'))) {
            out_.append(QLatin1Char(' '));
        }
        breaks_ = 0;
        space_ = false;
    }

    QString out_;
    int breaks_ = 0;
    bool space_ = false;
    int preDepth_ = 0;
};

class Converter {
  public:
    explicit Converter(QStringView html) : html_(html), writer_(html.size() / 2) {}

    QString run() {
        while (at_ < html_.size()) {
            const QChar c = html_[at_];
            if (c == QLatin1Char('<')) {
                markup();
            } else if (c == QLatin1Char('&')) {
                reference();
            } else if (isSpace(c)) {
                writer_.space(c);
                ++at_;
            } else if (c.unicode() == 0xA0) {
                writer_.character(c);
                ++at_;
            } else {
                qsizetype end = at_ + 1;
                while (end < html_.size() && !isSpecial(html_[end])) ++end;
                writer_.text(html_.mid(at_, end - at_));
                at_ = end;
            }
        }
        return writer_.finish();
    }

  private:
    bool lookingAt(qsizetype at, const char* text) const {
        const QLatin1StringView word(text);
        return html_.mid(at).startsWith(word, Qt::CaseInsensitive);
    }
    // Moves past the next `what` from `from`, or to the end when there is none.
    void skipPast(qsizetype from, QLatin1StringView what) {
        const qsizetype found = html_.indexOf(what, from);
        at_ = found < 0 ? html_.size() : found + what.size();
    }

    void markup() {
        const qsizetype next = at_ + 1;
        const QChar c = next < html_.size() ? html_[next] : QChar();
        if (lookingAt(at_, "<!--")) {
            comment();
        } else if (c == QLatin1Char('!') || c == QLatin1Char('?')) {
            skipPast(next, QLatin1StringView(">"));  // doctype, CDATA, Office's <![if ...]>
        } else if (c == QLatin1Char('/')) {
            if (next + 1 < html_.size() && isAsciiLetter(html_[next + 1])) {
                at_ = next + 1;
                const Tag kind = tagKind(tagName());
                skipAttributes();
                endTag(kind);
            } else {
                skipPast(next, QLatin1StringView(">"));
            }
        } else if (isAsciiLetter(c)) {
            at_ = next;
            const std::string name = tagName();
            skipAttributes();
            startTag(tagKind(name), name);
        } else {
            writer_.character(QLatin1Char('<'));
            ++at_;
        }
    }

    void comment() {
        const qsizetype body = at_ + 4;
        if (lookingAt(body, ">")) {
            at_ = body + 1;
        } else if (lookingAt(body, "->")) {
            at_ = body + 2;
        } else {
            skipPast(body, QLatin1StringView("-->"));
        }
    }

    // The tag name at the cursor, lower-cased; long names are cut (no tag
    // of interest is that long).
    std::string tagName() {
        std::string name;
        while (at_ < html_.size() && !isSpace(html_[at_]) && html_[at_] != QLatin1Char('/') &&
               html_[at_] != QLatin1Char('>')) {
            if (name.size() < 16) name.push_back(static_cast<char>(html_[at_].toLatin1() | 0x20));
            ++at_;
        }
        return name;
    }

    // Moves past the closing '>', reading attribute values only to find it.
    void skipAttributes() {
        while (at_ < html_.size()) {
            const QChar c = html_[at_];
            if (c == QLatin1Char('>')) {
                ++at_;
                return;
            }
            if (c != QLatin1Char('=')) {
                ++at_;
                continue;
            }
            ++at_;
            while (at_ < html_.size() && isSpace(html_[at_])) ++at_;
            if (at_ < html_.size() &&
                (html_[at_] == QLatin1Char('"') || html_[at_] == QLatin1Char('\''))) {
                const qsizetype close = html_.indexOf(html_[at_], at_ + 1);
                at_ = close < 0 ? html_.size() : close + 1;
            }
        }
    }

    void startTag(Tag kind, const std::string& name) {
        switch (kind) {
            case Tag::Block:
                writer_.blockEdge();
                break;
            case Tag::Break:
                writer_.lineBreak();
                break;
            case Tag::Cell:
                writer_.space(QLatin1Char(' '));
                break;
            case Tag::Pre:
                writer_.blockEdge();
                writer_.enterPre();
                break;
            case Tag::RawText:
                skipRawText(name);
                break;
            case Tag::Other:
                break;
        }
    }

    void endTag(Tag kind) {
        if (kind == Tag::Block) writer_.blockEdge();
        if (kind == Tag::Break) writer_.lineBreak();
        if (kind == Tag::Pre) {
            writer_.leavePre();
            writer_.blockEdge();
        }
    }

    // Script, style and title text ends only at its own end tag, or with the
    // document when that is missing.
    void skipRawText(const std::string& name) {
        const QString end = QStringLiteral("</") + QLatin1StringView(name.data(), name.size());
        for (qsizetype from = at_;;) {
            const qsizetype found = html_.indexOf(end, from, Qt::CaseInsensitive);
            if (found < 0) {
                at_ = html_.size();
                return;
            }
            const qsizetype after = found + end.size();
            if (after >= html_.size() || isSpace(html_[after]) ||
                html_[after] == QLatin1Char('/') || html_[after] == QLatin1Char('>')) {
                at_ = after;
                skipAttributes();
                return;
            }
            from = after;
        }
    }

    // A character reference at the cursor, or a plain '&'.
    void reference() {
        const qsizetype start = at_ + 1;
        if (start < html_.size() && html_[start] == QLatin1Char('#')) {
            numericReference(start + 1);
            return;
        }
        qsizetype end = start;
        while (end < html_.size() && end - start < 32 && isAsciiAlnum(html_[end])) ++end;
        std::string name;
        for (qsizetype i = start; i < end; ++i)
            name.push_back(static_cast<char>(html_[i].unicode()));
        if (end < html_.size() && html_[end] == QLatin1Char(';')) {
            if (const Entity* entity = findEntity(name)) {
                writer_.character(entity->value);
                at_ = end + 1;
                return;
            }
        }
        // Old mailers leave out the ';' of Latin-1 names ("&nbsp", "&eacute").
        for (size_t length = name.size(); length >= 2; --length) {
            const Entity* entity = findEntity(std::string_view(name).substr(0, length));
            if (entity && entity->value <= 0xFF) {
                writer_.character(entity->value);
                at_ = start + static_cast<qsizetype>(length);
                return;
            }
        }
        writer_.character(QLatin1Char('&'));
        ++at_;
    }

    void numericReference(qsizetype digits) {
        const bool hex = digits < html_.size() &&
                         (html_[digits] == QLatin1Char('x') || html_[digits] == QLatin1Char('X'));
        qsizetype end = hex ? digits + 1 : digits;
        const qsizetype first = end;
        char32_t code = 0;
        for (; end < html_.size(); ++end) {
            const char16_t u = html_[end].unicode();
            const char16_t lower = u | 0x20;
            int value;
            if (u >= '0' && u <= '9')
                value = u - '0';
            else if (hex && lower >= 'a' && lower <= 'f')
                value = lower - 'a' + 10;
            else
                break;
            if (code <= 0x10FFFF) code = code * (hex ? 16 : 10) + value;
        }
        if (end == first) {
            writer_.character(QLatin1Char('&'));
            ++at_;
            return;
        }
        if (end < html_.size() && html_[end] == QLatin1Char(';')) ++end;
        at_ = end;
        // Numbers 128 to 159 mean the Windows-1252 characters, as browsers read them.
        if (code >= 0x80 && code <= 0x9F)
            writer_.character(cp1252::charOf(static_cast<unsigned char>(code)));
        else if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            writer_.character(QChar(QChar::ReplacementCharacter));
        else
            writer_.character(code);
    }

    QStringView html_;
    qsizetype at_ = 0;
    TextWriter writer_;
};

}  // namespace

QString htmlToText(QStringView html) {
    return Converter(html).run();
}

}  // namespace vantor::mime
