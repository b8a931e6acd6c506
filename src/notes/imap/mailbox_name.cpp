#include "notes/imap/mailbox_name.h"

namespace vantor::imap {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+,";

int sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == ',') return 63;
    return -1;
}

bool isDirect(char16_t u) { return u >= 0x20 && u <= 0x7E; }

}  // namespace

QByteArray encodeMailboxName(const QString& name) {
    QByteArray out;
    quint32 bits = 0;
    int count = 0;  // bits waiting in `bits`
    bool shifted = false;
    auto endShift = [&] {
        if (count > 0) out += kAlphabet[(bits << (6 - count)) & 0x3F];
        out += '-';
        bits = 0;
        count = 0;
        shifted = false;
    };
    for (const QChar ch : name) {
        const char16_t u = ch.unicode();
        if (isDirect(u)) {
            if (shifted) endShift();
            out += static_cast<char>(u);
            if (u == '&') out += '-';
            continue;
        }
        if (!shifted) {
            out += '&';
            shifted = true;
        }
        bits = (bits << 16) | u;
        count += 16;
        while (count >= 6) {
            count -= 6;
            out += kAlphabet[(bits >> count) & 0x3F];
        }
        bits &= (1u << count) - 1;
    }
    if (shifted) endShift();
    return out;
}

std::optional<QString> decodeMailboxName(QByteArrayView raw) {
    QString out;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (!isDirect(static_cast<unsigned char>(c))) return std::nullopt;
        if (c != '&') {
            out += QLatin1Char(c);
            continue;
        }
        ++i;
        if (i < raw.size() && raw[i] == '-') {
            out += QLatin1Char('&');
            continue;
        }
        quint32 bits = 0;
        int count = 0;
        bool any = false;
        for (;; ++i) {
            if (i >= raw.size()) return std::nullopt;  // no closing "-"
            if (raw[i] == '-') break;
            const int v = sextet(raw[i]);
            if (v < 0) return std::nullopt;
            bits = (bits << 6) | static_cast<quint32>(v);
            count += 6;
            if (count >= 16) {
                count -= 16;
                out += QChar(static_cast<char16_t>((bits >> count) & 0xFFFF));
                bits &= (1u << count) - 1;
                any = true;
            }
        }
        if (!any || count >= 6 || bits != 0) return std::nullopt;
    }
    if (!QStringView(out).isValidUtf16()) return std::nullopt;
    return out;
}

QString displayMailboxName(QByteArrayView raw) {
    if (auto decoded = decodeMailboxName(raw)) return *decoded;
    return QString::fromUtf8(raw);
}

}  // namespace vantor::imap
