#include "client/view_listing.h"

namespace vantor::client {

ViewListing listDocuments(notes::View& view, int limit) {
    ViewListing listing;
    for (notes::DocumentPtr doc = view.getFirstDocument(); doc; doc = view.getNextDocument(*doc)) {
        if (static_cast<int>(listing.documents.size()) >= limit) {
            listing.truncated = true;
            break;
        }
        listing.documents.push_back({doc, doc->itemValue(QStringLiteral("From")),
                                     doc->itemValue(QStringLiteral("Subject")), doc->created()});
    }
    return listing;
}

}  // namespace vantor::client
