// HTML bodies as a mail reader shows them: markup left out, references
// decoded, lines kept for breaks, blocks, rows and preformatted text.
#include "notes/mime/html_text.h"

#include <gtest/gtest.h>

#include "support/qt_printers.h"

namespace vantor::test {
namespace {

TEST(HtmlText, ShowsTheTextAndLinesAMailReaderShows) {
    const std::pair<const char*, const char*> cases[] = {
        {"<b>a</b>&unknown; <!-- x --> b", "a&unknown; b"},
        {"<title>T</title><style>p{}</style>avant<script>x<p>y", "avant"},
        {"<SCRIPT type=x>if (a</b) {}</Script >apr&egrave;s", "après"},
        {"<table><tr><td>Prix</td><td title=\"a>b\">12&nbsp;&euro;</td></tr>"
         "<tr><td>TVA &#150; 20 %</td></tr></table>a < b &amp c",
         "Prix 12 €\nTVA – 20 %\na < b & c"},
        {"<pre>  x = 1;\n  y = 2;</pre><p>un<br><br>deux</p>", "  x = 1;\n  y = 2;\nun\n\ndeux"},
        {"<html><head><meta charset=utf-8>Texte sans body", "Texte sans body"},
        // Outlook's conditional markup outside comments, and an old mailer's
        // references without their ';'.
        {"<p><![if !supportLists]>1.<![endif]>Point &eacute;t&eacute &copy2004</p>",
         "1.Point été ©2004"},
    };
    for (const auto& [html, text] : cases)
        EXPECT_EQ(mime::htmlToText(QString::fromUtf8(html)), QString::fromUtf8(text)) << html;
}

// Markup the parser is not given whole (nested too deep, a tag with too many
// attributes) loses none of the text around it.
TEST(HtmlText, TextAroundHostileMarkupIsKept) {
    QString attributes;
    for (int i = 0; i < 500; ++i) attributes += QStringLiteral(" a%1=\"%1\"").arg(i);
    EXPECT_EQ(mime::htmlToText("avant<p" + attributes + ">après</p>fin"), "avant\naprès\nfin");
    EXPECT_EQ(mime::htmlToText("<div>début " + QStringLiteral("<span>x ").repeated(1000) +
                               QStringLiteral("</i>y ").repeated(1000) + "fin"),
              "début " + QStringLiteral("x ").repeated(1000) + QStringLiteral("y ").repeated(1000) +
                  "fin");
}

}  // namespace
}  // namespace vantor::test
