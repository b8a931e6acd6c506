#include "notes/mime/mail_charset.h"

#include <gmime/gmime.h>

#include <array>
#include <cctype>
#include <cerrno>

#include "platform/cp1252.h"

namespace vantor::mime {

namespace {

void appendCode(QString& out, char32_t code) {
    if (QChar::requiresSurrogates(code)) {
        out.append(QChar(QChar::highSurrogate(code)));
        out.append(QChar(QChar::lowSurrogate(code)));
    } else {
        out.append(QChar(static_cast<char16_t>(code)));
    }
}

// The length of the valid UTF-8 sequence at `at` and its code point, or 0.
int utf8Sequence(const unsigned char* s, qsizetype size, qsizetype at, char32_t* code) {
    const unsigned char lead = s[at];
    int length;
    char32_t value;
    char32_t least;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > size) return 0;
    for (int i = 1; i < length; ++i) {
        if ((s[at + i] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (s[at + i] & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *code = value;
    return length;
}

void appendUtf8OrWindows1252(QString& out, const QByteArray& bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype at = 0; at < size;) {
        if (s[at] < 0x80) {
            const qsizetype start = at;
            while (at < size && s[at] < 0x80) ++at;
            out.append(QLatin1StringView(bytes.constData() + start, at - start));
            continue;
        }
        char32_t code = 0;
        if (const int length = utf8Sequence(s, size, at, &code)) {
            appendCode(out, code);
            at += length;
        } else {
            out.append(cp1252::charOf(s[at++]));
        }
    }
}

QString utf8OrWindows1252(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    appendUtf8OrWindows1252(out, bytes);
    return out;
}

bool isOneOf(const QByteArray& name, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (name == n) return true;
    return false;
}

// Through iconv; a byte the charset does not allow is read as Windows-1252.
QString convert(iconv_t converter, const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    std::array<char, 16384> buffer;
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    while (inLeft > 0) {
        char* outAt = buffer.data();
        size_t outLeft = buffer.size();
        const size_t done = g_mime_iconv(converter, &in, &inLeft, &outAt, &outLeft);
        const int error = done == static_cast<size_t>(-1) ? errno : 0;
        out.append(QString::fromUtf8(buffer.data(), outAt - buffer.data()));
        if (error == E2BIG || error == 0) continue;
        out.append(cp1252::charOf(static_cast<unsigned char>(*in)));
        ++in;
        --inLeft;
        g_mime_iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    char* outAt = buffer.data();
    size_t outLeft = buffer.size();
    g_mime_iconv(converter, nullptr, nullptr, &outAt, &outLeft);  // the end of a shifted state
    out.append(QString::fromUtf8(buffer.data(), outAt - buffer.data()));
    return out;
}

}  // namespace

QString decodeMailText(const QByteArray& bytes, const QByteArray& charset) {
    const QByteArray name = charset.trimmed().toLower();
    // Mail labelled Latin-1 is written on Windows: its 0x80-0x9F are quotes
    // and dashes, as every mail reader takes them.
    if (isOneOf(name, {"iso-8859-1", "iso8859-1", "iso_8859-1", "latin1", "l1", "windows-1252",
                       "cp1252", "x-cp1252", "windows-cp1252", "cp819", "ibm819"}))
        return cp1252::decode(bytes);
    if (name.isEmpty() || isOneOf(name, {"utf-8", "utf8", "us-ascii", "ascii", "ansi_x3.4-1968"}))
        return utf8OrWindows1252(bytes);
    const iconv_t converter = g_mime_iconv_open("UTF-8", name.constData());
    if (converter == reinterpret_cast<iconv_t>(-1)) return utf8OrWindows1252(bytes);
    QString text = convert(converter, bytes);
    g_mime_iconv_close(converter);
    return text;
}

QByteArray htmlMetaCharset(const QByteArray& html) {
    const QByteArray head = html.left(8192).toLower();
    for (qsizetype meta = head.indexOf("<meta"); meta >= 0;
         meta = head.indexOf("<meta", meta + 5)) {
        const qsizetype end = head.indexOf('>', meta);
        const QByteArray tag = head.mid(meta, end < 0 ? -1 : end - meta);
        qsizetype at = tag.indexOf("charset");
        if (at < 0) continue;
        at += 7;
        while (at < tag.size() &&
               (tag[at] == ' ' || tag[at] == '=' || tag[at] == '"' || tag[at] == '\''))
            ++at;
        qsizetype stop = at;
        while (stop < tag.size() &&
               (std::isalnum(static_cast<unsigned char>(tag[stop])) || tag[stop] == '-' ||
                tag[stop] == '_' || tag[stop] == '.' || tag[stop] == ':'))
            ++stop;
        if (stop > at) return tag.mid(at, stop - at);
    }
    return QByteArray();
}

}  // namespace vantor::mime
