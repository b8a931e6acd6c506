#pragma once
// Reading one item of a document, as the scan and the archive both do.
#include <QString>

#include "notes/notes.h"

namespace vantor {

// The text of the document's first item of that name, without regard to
// case; "" when there is none.
QString GetItemText(const notes::Document& document, const QString& name);

}  // namespace vantor
