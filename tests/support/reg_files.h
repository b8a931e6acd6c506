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

// An export of HKEY_CLASSES_ROOT: `classes` keys "CLSID\{0000000N-0000-...}"
// ("Objet N"), each with a subkey InprocServer32 holding two values.
inline QString classesExport(int classes) {
    QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n");
    for (int i = 0; i < classes; ++i) {
        text +=
            QStringLiteral(
                "[HKEY_CLASSES_ROOT\\CLSID\\{%1-0000-0000-0000-000000000000}]\r\n"
                "@=\"Objet %2\"\r\n\r\n"
                "[HKEY_CLASSES_ROOT\\CLSID\\{%1-0000-0000-0000-000000000000}\\InprocServer32]\r\n"
                "@=\"x%2.dll\"\r\n\"ThreadingModel\"=\"Both\"\r\n\r\n")
                .arg(i, 8, 16, QChar(u'0'))
                .arg(i);
    }
    return text;
}

}  // namespace vantor::test
