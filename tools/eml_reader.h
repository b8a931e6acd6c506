#pragma once
// Reading an RFC 5322 message file (.eml) into a memo: sender, recipients,
// subject, date, the body as a mail reader shows it (mime_body.h) and every
// attachment with its decoded bytes. Encoded headers and charsets are turned
// into Unicode.
#include <QString>

#include "notes/store/memo.h"

namespace vantor::tool {

// Throws vantor::Failure (store code kBadMessage) naming the file when it
// cannot be read, is not a mail message or has no "From" header.
store::Memo readEmlFile(const QString& path);

}  // namespace vantor::tool
