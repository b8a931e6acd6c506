#include "platform/cp1252.h"

#include <array>

namespace vantor::cp1252 {
namespace {

// 0x80..0x9F; the five bytes Windows leaves undefined map to the C1 control
// with the same number, as MultiByteToWideChar does.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

QChar charOf(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return QChar(kHigh[byte - 0x80]);
    return QChar(static_cast<char16_t>(byte));
}

std::optional<unsigned char> byteOf(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<unsigned char>(u);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == u) return static_cast<unsigned char>(0x80 + i);
    }
    return std::nullopt;
}

QString decode(const QByteArray& bytes) {
    QString out;
    out.resize(bytes.size());
    QChar* p = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) p[i] = charOf(static_cast<unsigned char>(bytes[i]));
    return out;
}

QByteArray encode(const QString& text) {
    QByteArray out;
    out.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        out[i] = static_cast<char>(byteOf(text[i]).value_or('?'));
    }
    return out;
}

}  // namespace vantor::cp1252
