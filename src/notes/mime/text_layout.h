#pragma once
// The lines a mail reader lays out from the text and the structure of an
// HTML body: blanks folded into one space outside preformatted text, blocks
// and breaks turned into at most one blank line, no blanks at line ends and
// no blank lines at either end.
#include <QString>
#include <QStringView>
#include <algorithm>

namespace vantor::mime {

class TextLayout {
  public:
    // `capacity`: the characters expected, reserved at once.
    explicit TextLayout(qsizetype capacity) { out_.reserve(capacity); }

    // Characters as they come, in any runs; no-break spaces show as spaces.
    void text(QStringView text);
    // A <br>: a new line, two at most in a row.
    void lineBreak() { breaks_ = std::min(breaks_ + 1, 2); }
    // The edge of a block (paragraph, division, table row...): a new line.
    void blockEdge() { breaks_ = std::max(breaks_, 1); }
    // A table cell: a space from the one before.
    void cellEdge() { text(u" "); }
    void enterPre() { ++preDepth_; }
    void leavePre() { preDepth_ = std::max(preDepth_ - 1, 0); }

    // The text laid out so far, as lines.
    QString finish() const;

  private:
    void append(QStringView run);
    void flushBlanks();

    QString out_;
    int breaks_ = 0;
    bool space_ = false;
    int preDepth_ = 0;
};

}  // namespace vantor::mime
