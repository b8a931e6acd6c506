#include "tool_support.h"

#include <algorithm>
#include <cstdio>

namespace vantor::tool {

namespace {

// All the bytes: a NUL in a line must not end it.
void writeLine(const QString& line, std::FILE* stream) {
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

}  // namespace

void say(const QString& line) { writeLine(line, stdout); }

void complain(const QString& line) { writeLine(line, stderr); }

QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'\\': out += QStringLiteral("\\\\"); break;
        case u'\t': out += QStringLiteral("\\t"); break;
        case u'\n': out += QStringLiteral("\\n"); break;
        case u'\r': out += QStringLiteral("\\r"); break;
        case u'\0': out += QStringLiteral("\\0"); break;
        default:
            // Other control characters (escape sequences included) would
            // act on the terminal instead of showing.
            if (u < 0x20 || (u >= 0x7F && u < 0xA0))
                out += QStringLiteral("\\x%1").arg(static_cast<int>(u), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

QString columns(const std::vector<std::pair<QString, QString>>& rows, int indent, int maxWidth) {
    qsizetype width = 0;
    for (const auto& [left, right] : rows)
        if (left.size() + 2 <= maxWidth) width = std::max(width, left.size() + 2);
    const QString margin(indent, QLatin1Char(' '));
    QString out;
    for (const auto& [left, right] : rows) {
        if (left.size() + 2 > width)  // too wide: its description goes below it
            out += margin + left + QLatin1Char('\n') + margin + QString(width, QLatin1Char(' '));
        else
            out += margin + left.leftJustified(width);
        out += right + QLatin1Char('\n');
    }
    return out;
}

OptionDef serverOption() {
    return {QStringLiteral("server"), QStringLiteral("SERVEUR"),
            QStringLiteral("serveur, par exemple \"Paris/Vantor\" (\"local\" ou \"\" : ce poste)"), true};
}

OptionDef fileOption() {
    return {QStringLiteral("file"), QStringLiteral("FICHIER"),
            QStringLiteral("fichier de la base, par exemple \"mail\\jdupont.nsf\""), true};
}

QString listedTime(const QDateTime& when) { return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

}  // namespace vantor::tool
