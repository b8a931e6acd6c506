#pragma once
// A message file (.eml) as the store's import delivers it: a memo with the
// message's sender, recipients, subject, date, body text and attachments.
#include <QString>

#include "notes/store/memo.h"

namespace vantor::tool {

// Throws vantor::Failure (mime::code::kBadMessage) naming the file when it
// cannot be read, is not a mail message or has no "From" header.
store::Memo readEmlFile(const QString& path);

}  // namespace vantor::tool
