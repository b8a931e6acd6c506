#pragma once
// The text a mail reader shows for an HTML body, read by libxml2's HTML
// parser as browsers read it: tags dropped, scripts, styles, titles and
// comments left out, character references decoded, line breaks kept for
// <br>, blocks and table rows. The time is linear in the length of the HTML,
// whatever its markup.
#include <QString>
#include <QStringView>

namespace vantor::mime {

// The text of `html`, its lines without blanks at their ends.
QString htmlToText(QStringView html);

}  // namespace vantor::mime
