#pragma once
// Reading a document met in a walk, when the popup's commands (which run
// between documents) may have removed it meanwhile.
#include "notes/notes.h"

namespace vantor {

// `lire()`'s answer; false when it failed because `document` is no longer in
// `database` (nothing to archive or find there). Other failures go on.
template <typename Lire>
bool lireSiPresent(notes::Database& database, const notes::Document& document, Lire&& lire) {
    try {
        return lire();
    } catch (const Failure&) {
        if (database.getDocumentByUNID(document.universalID())) throw;
        return false;
    }
}

}  // namespace vantor
