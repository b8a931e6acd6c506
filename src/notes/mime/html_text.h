#pragma once
// The text a mail reader shows for an HTML body, in one pass over the markup:
// tags dropped, scripts, styles, titles and comments left out, character
// references decoded, line breaks kept for <br>, blocks and table rows.
// The time is linear in the length of the HTML, whatever its markup.
#include <QString>
#include <QStringView>

namespace vantor::mime {

QString htmlToText(QStringView html);

}  // namespace vantor::mime
