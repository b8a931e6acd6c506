#include "notes/workspace/view_listing.h"

namespace vantor::notes {

ViewListing listDocuments(View& view, int limit) {
    ViewListing listing;
    for (DocumentPtr doc = view.getFirstDocument(); doc; doc = view.getNextDocument(*doc)) {
        if (static_cast<int>(listing.documents.size()) >= limit) {
            listing.truncated = true;
            break;
        }
        listing.documents.push_back({doc, doc->itemValue(QStringLiteral("From")),
                                     doc->itemValue(QStringLiteral("Subject")), doc->created()});
    }
    return listing;
}

}  // namespace vantor::notes
