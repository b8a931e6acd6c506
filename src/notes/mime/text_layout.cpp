#include "notes/mime/text_layout.h"

namespace vantor::mime {

namespace {

bool isBlank(char16_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

}  // namespace

void TextLayout::text(QStringView text) {
    qsizetype at = 0;
    while (at < text.size()) {
        const char16_t c = text[at].unicode();
        if (isBlank(c)) {
            if (preDepth_ == 0)
                space_ = true;
            else if (c != '\r')
                append(text.mid(at, 1));
            ++at;
        } else if (c == 0xA0) {
            append(u" ");
            ++at;
        } else {
            qsizetype end = at + 1;
            while (end < text.size() && !isBlank(text[end].unicode()) &&
                   text[end].unicode() != 0xA0)
                ++end;
            append(text.mid(at, end - at));
            at = end;
        }
    }
}

void TextLayout::append(QStringView run) {
    flushBlanks();
    out_.append(run);
}

void TextLayout::flushBlanks() {
    if (breaks_ > 0) {
        if (!out_.isEmpty())
            for (int i = 0; i < breaks_; ++i) out_.append(QLatin1Char('\n'));
    } else if (space_ && !out_.isEmpty() && !out_.endsWith(QLatin1Char('\n'))) {
        out_.append(QLatin1Char(' '));
    }
    breaks_ = 0;
    space_ = false;
}

QString TextLayout::finish() const {
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

}  // namespace vantor::mime
