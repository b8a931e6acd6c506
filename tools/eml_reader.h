#pragma once
// Reading an RFC 5322 message file (.eml) into a memo: sender, recipients,
// subject, date, the plain-text body (or the HTML one without its tags) and
// every attachment with its decoded bytes. Encoded headers and charsets are
// turned into Unicode.
#include <QString>

#include "notes/store/memo.h"

namespace vantor::tool {

// Throws vantor::Failure (store code kBadMessage) naming the file when it
// cannot be read or is not a mail message.
store::Memo readEmlFile(const QString& path);

// The text of an HTML body: tags, scripts and styles dropped, entities
// decoded, line breaks kept for <br>, paragraphs and table rows.
QString htmlToText(const QString& html);

}  // namespace vantor::tool
