#include "notes/mime/html_text.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notes/mime/text_layout.h"
#include "platform/cp1252.h"

namespace vantor::mime {

namespace {

// Where the parser's cost stops being linear. libxml2 2.9 compares each end
// tag with every element still open and each attribute with every earlier
// one of its tag: deeper markup, or a start tag with more attributes, is
// hostile, and a fresh parser reads on after it.
constexpr int kMaxDepth = 256;
constexpr int kMaxAttributes = 64;
// The input is handed over in pieces this small, so that a start tag is
// looked at before the parser has read many of its attributes.
constexpr int kPiece = 64;
// A fresh parser first opens again, silently, this many of the innermost
// elements left open, so that their end tags still end them.
constexpr std::size_t kReopened = 32;
// Each parser's input starts with a UTF-8 byte-order mark: unlabelled bytes
// would be read as Latin-1, and a declared encoding adds a converter.
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

enum class Tag { Other, Block, Break, Cell, Pre, Hidden };

// What a tag does to the text; `name` is lower-case ASCII. Scripts and
// styles need nothing: libxml2 hands their content over as CDATA.
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
    if (name == "title") return Tag::Hidden;
    return std::binary_search(std::begin(kBlocks), std::end(kBlocks), name) ? Tag::Block
                                                                            : Tag::Other;
}

bool isAsciiLetter(char c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}
bool isAsciiAlnum(char c) {
    return isAsciiLetter(c) || (c >= '0' && c <= '9');
}
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// A start tag read ahead of the parser: how many attributes it has so far,
// and where it ends ('>' outside quotes, as libxml2 finds it).
class StartTagScan {
  public:
    explicit StartTagScan(qsizetype start) : start_(start), at_(start + 1) {}
    qsizetype start() const { return start_; }

    // Reads on up to `limit`; true once the end is found (then at() is past it).
    bool readTo(const QByteArray& html, qsizetype limit) {
        if (ended_) return true;
        for (; at_ < limit; ++at_) {
            const char c = html[at_];
            if (quote_) {
                if (c == quote_) quote_ = 0;
            } else if (c == '"' || c == '\'') {
                quote_ = c;
            } else if (c == '>') {
                ++at_;
                ended_ = true;
                return true;
            } else if (isBlank(c)) {
                blank_ = true;
            } else {
                if (blank_ && c != '=' && c != '/') ++attributes_;
                blank_ = false;
            }
        }
        return false;
    }
    qsizetype at() const { return at_; }
    int attributes() const { return attributes_; }
    // The tag's name, lower case.
    QByteArray name(const QByteArray& html) const {
        qsizetype end = start_ + 1;
        while (end < html.size() && isAsciiAlnum(html[end])) ++end;
        return html.mid(start_ + 1, end - start_ - 1).toLower();
    }

  private:
    qsizetype start_;
    qsizetype at_;
    char quote_ = 0;
    bool blank_ = false;
    bool ended_ = false;
    int attributes_ = 0;
};

// Turns the events of one parser into laid-out text, and decides where the
// reading must go on with a fresh parser.
class Converter {
  public:
    Converter(const QByteArray& html, TextLayout& layout) : html_(html), layout_(layout) {}

    // Reads from `from` to the end, or to where a fresh parser must take
    // over; returns that place, or nullopt at the end.
    std::optional<qsizetype> read(qsizetype from);

  private:
    static Converter& of(void* data) { return *static_cast<Converter*>(data); }
    static void onStart(void* data, const xmlChar* name, const xmlChar**) {
        of(data).start(reinterpret_cast<const char*>(name));
    }
    static void onEnd(void* data, const xmlChar*) { of(data).end(); }
    static void onText(void* data, const xmlChar* text, int size) {
        of(data).characters(reinterpret_cast<const char*>(text), size);
    }
    static void onSkipped(void* data, const xmlChar*, int) { of(data).seen(); }
    static void onComment(void* data, const xmlChar*) { of(data).seen(); }
    static int onRead(void* data, char* buffer, int size) { return of(data).supply(buffer, size); }

    // Where the parser stands in the whole HTML; before `from_` while it
    // reads the elements it opens again.
    qsizetype position() const { return from_ + xmlByteConsumed(parser_) - head_.size(); }
    void seen() { lastEvent_ = std::max(position(), from_); }
    bool reopening() const { return position() < from_; }
    void start(std::string_view name);
    void open(std::string_view name, bool implied);
    void reopen(const std::vector<std::string>& names);
    void end();
    void characters(const char* text, int size);
    int supply(char* buffer, int size);
    bool tagTooLong();

    const QByteArray& html_;
    TextLayout& layout_;
    htmlParserCtxtPtr parser_ = nullptr;
    qsizetype from_ = 0;  // where this parser started in the HTML
    QByteArray head_;     // what it reads first: the mark, elements opened again
    qsizetype headGiven_ = 0;
    qsizetype supplied_ = 0;  // how far it has been handed the HTML
    qsizetype lastEvent_ = 0;
    std::optional<StartTagScan> scan_;
    std::optional<qsizetype> restart_;
    struct OpenElement {
        Tag kind;
        bool implied;
        std::string name;
    };
    std::vector<OpenElement> reopened_;  // to open again, innermost last
    std::vector<OpenElement> open_;      // as the parser has them, outermost first
    int hidden_ = 0;
    bool pendingBogus_ = false;  // inside "<!...>" that libxml2 reads as text
    bool pendingName_ = false;   // a reference's name without its ';' comes next
};

// An element libxml2 opens by itself (a paragraph around text outside any
// element) has no tag at the parser's place, and shows nothing.
void Converter::start(std::string_view name) {
    if (restart_) return;
    if (reopening()) {
        open_.push_back(reopened_.empty() ? OpenElement{tagKind(name), true, std::string(name)}
                                          : reopened_.front());
        if (!reopened_.empty()) reopened_.erase(reopened_.begin());
        return;
    }
    seen();
    const qsizetype at = lastEvent_;
    // The parser stands on the end of its tag: "/>" or ">".
    qsizetype tagEnd = 0;
    if (html_.mid(at, 2) == "/>")
        tagEnd = 2;
    else if (at < html_.size() && html_[at] == '>')
        tagEnd = 1;
    open(name, tagEnd == 0);
    if (open_.size() > kMaxDepth) restart_ = at + tagEnd;
}

void Converter::open(std::string_view name, bool implied) {
    const Tag kind = tagKind(name);
    open_.push_back({kind, implied, std::string(name)});
    if (implied) return;
    switch (kind) {
        case Tag::Block:
            layout_.blockEdge();
            break;
        case Tag::Break:
            layout_.lineBreak();
            break;
        case Tag::Cell:
            layout_.cellEdge();
            break;
        case Tag::Pre:
            layout_.blockEdge();
            layout_.enterPre();
            break;
        case Tag::Hidden:
            ++hidden_;
            break;
        case Tag::Other:
            break;
    }
}

void Converter::end() {
    if (restart_ || open_.empty()) return;
    const OpenElement element = std::move(open_.back());
    open_.pop_back();
    if (reopening()) return;
    seen();
    if (element.implied) return;
    switch (element.kind) {
        case Tag::Block:
            layout_.blockEdge();
            break;
        case Tag::Pre:
            layout_.leavePre();
            layout_.blockEdge();
            break;
        case Tag::Hidden:
            --hidden_;
            break;
        default:
            break;
    }
}

// libxml2 reads HTML as HTML 4 did; mail readers read it as browsers do.
// The parser's place in the input tells the cases apart: a bare '<' before
// "!" opens a bogus comment ("<![if !supportLists]>" from Outlook), a bare
// '&' after a name is a reference without its ';' ("&eacute"), and numbers
// 128 to 159 mean the Windows-1252 characters.
void Converter::characters(const char* bytes, int size) {
    if (restart_) return;
    seen();
    const qsizetype at = lastEvent_;
    QString text = QString::fromUtf8(bytes, size);
    if (pendingBogus_) {
        const qsizetype close = text.indexOf(QLatin1Char('>'));
        if (close < 0) return;
        pendingBogus_ = false;
        text.remove(0, close + 1);
    } else if (pendingName_) {
        pendingName_ = false;
        // The longest Latin-1 name the run starts with, as browsers read it.
        qsizetype length = std::min<qsizetype>(text.size(), 8);
        const htmlEntityDesc* entity = nullptr;
        for (; length >= 2 && !(entity && entity->value <= 0xFF); --length)
            entity = htmlEntityLookup(
                reinterpret_cast<const xmlChar*>(text.left(length).toLatin1().constData()));
        if (entity && entity->value <= 0xFF)
            text.replace(0, length + 1, QChar(static_cast<char16_t>(entity->value)));
        else
            text.prepend(QLatin1Char('&'));
    } else if (text == QLatin1String("<") && html_.mid(at, 2) == "<!" &&
               html_.mid(at, 4) != "<!--" && html_.mid(at, 9).toUpper() != "<!DOCTYPE") {
        pendingBogus_ = true;
        return;
    } else if (text == QLatin1String("&") && at > 0 && isAsciiAlnum(html_[at - 1])) {
        pendingName_ = true;
        return;
    } else if (text.size() == 1 && text[0].unicode() >= 0x80 && text[0].unicode() <= 0x9F &&
               at > 0 && html_[at - 1] != text.toUtf8().back()) {
        text = cp1252::charOf(static_cast<unsigned char>(text[0].unicode()));
    }
    if (hidden_ == 0) layout_.text(text);
}

int Converter::supply(char* buffer, int size) {
    if (restart_ || tagTooLong()) return 0;
    const qsizetype head = std::min<qsizetype>(size, head_.size() - headGiven_);
    std::memcpy(buffer, head_.constData() + headGiven_, head);
    headGiven_ += head;
    qsizetype end =
        std::min<qsizetype>(supplied_ + std::min<qsizetype>(size - head, kPiece), html_.size());
    // Never the first bytes of a character without the rest.
    while (end > supplied_ + 1 && end < html_.size() && (html_[end] & 0xC0) == 0x80) --end;
    if (end <= supplied_) return static_cast<int>(head);
    std::memcpy(buffer + head, html_.constData() + supplied_, end - supplied_);
    const int given = static_cast<int>(head + end - supplied_);
    supplied_ = end;
    return given;
}

// A start tag the parser has been reading since its last event, with more
// attributes than any real tag: the parser is told the input ends (what it
// still reads is ignored), and a fresh one goes on after the tag.
bool Converter::tagTooLong() {
    qsizetype start = lastEvent_;
    if (html_.mid(start, 2) == "/>")
        start += 2;
    else if (start < html_.size() && html_[start] == '>')
        ++start;
    if (start + 1 >= html_.size() || html_[start] != '<' || !isAsciiLetter(html_[start + 1]))
        return false;
    if (!scan_ || scan_->start() != start) scan_.emplace(start);
    if (scan_->readTo(html_, supplied_) || scan_->attributes() <= kMaxAttributes) return false;
    scan_->readTo(html_, html_.size());
    open(scan_->name(html_).toStdString(), false);
    restart_ = scan_->at();
    return true;
}

std::optional<qsizetype> Converter::read(qsizetype from) {
    // The elements left open by the parser before: the innermost are opened
    // again, the others are left.
    const std::size_t kept = std::min(open_.size(), kReopened);
    for (std::size_t i = 0; i + kept < open_.size(); ++i) {
        if (open_[i].implied) continue;
        if (open_[i].kind == Tag::Pre) layout_.leavePre();
        if (open_[i].kind == Tag::Hidden) --hidden_;
    }
    reopened_.assign(open_.end() - kept, open_.end());
    open_.clear();
    head_ = kUtf8Mark;
    for (const OpenElement& element : reopened_)
        head_ += '<' + QByteArray::fromStdString(element.name) + '>';

    from_ = supplied_ = lastEvent_ = from;
    headGiven_ = 0;
    restart_.reset();
    scan_.reset();
    pendingBogus_ = pendingName_ = false;

    htmlSAXHandler sax{};
    sax.startElement = onStart;
    sax.endElement = onEnd;
    sax.characters = onText;
    sax.ignorableWhitespace = onText;
    sax.cdataBlock = onSkipped;
    sax.comment = onComment;
    parser_ = htmlNewParserCtxt();
    if (!parser_) return std::nullopt;
    htmlSAXHandler* own = parser_->sax;
    parser_->sax = &sax;
    parser_->userData = this;
    htmlCtxtReadIO(parser_, onRead, nullptr, this, nullptr, nullptr,
                   HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                       HTML_PARSE_NONET | HTML_PARSE_NOIMPLIED | HTML_PARSE_IGNORE_ENC);
    parser_->sax = own;
    htmlFreeParserCtxt(parser_);
    parser_ = nullptr;
    return restart_;
}

}  // namespace

QString htmlToText(QStringView html) {
    static const bool ready = [] {
        xmlInitParser();
        return true;
    }();
    (void)ready;
    // NUL would end libxml2's input; a byte-order mark is no text.
    QString clean = html.toString();
    clean.remove(QChar(0));
    if (clean.startsWith(QChar(0xFEFF))) clean.remove(0, 1);
    const QByteArray utf8 = clean.toUtf8();

    TextLayout layout(html.size() / 2);
    Converter converter(utf8, layout);
    for (std::optional<qsizetype> from = 0; from && *from < utf8.size();)
        from = converter.read(*from);
    return layout.finish();
}

}  // namespace vantor::mime
