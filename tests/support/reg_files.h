#pragma once
// Registry files made by hand, in the bytes the registry editor writes
// (UTF-16LE with a byte-order mark) or in its older ANSI format.
#include <QByteArray>
#include <QString>

namespace vantor::test {

// `text` (line ends included) as the 5.00 editor stores it.
inline QByteArray regeditBytes(const QString& text) {
    QByteArray out("\xFF\xFE", 2);
    for (const QChar c : text) {
        out.append(static_cast<char>(c.unicode() & 0xFF));
        out.append(static_cast<char>(c.unicode() >> 8));
    }
    return out;
}

// The text of a file regeditBytes() made (or the editor wrote).
inline QString regeditText(const QByteArray& bytes) {
    QString out;
    for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
        out.append(QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                               static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
    return out;
}

}  // namespace vantor::test
