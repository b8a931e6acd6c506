#pragma once
// What a view window lists: the first documents of a view, in view order,
// with the columns it shows. Free of widgets.
#include <QDateTime>
#include <QString>
#include <vector>

#include "notes/notes.h"

namespace vantor::client {

// A larger view is cut here: reading every document of a big mailbox would
// keep the window from appearing for a long time.
inline constexpr int kMaxListedDocuments = 5000;

struct ListedDocument {
    notes::DocumentPtr document;
    QString from;
    QString subject;
    QDateTime created;
};

struct ViewListing {
    std::vector<ListedDocument> documents;
    bool truncated = false;  // the view holds more than were listed
};

// Walks `view` from its first document, keeping at most `limit`.
ViewListing listDocuments(notes::View& view, int limit = kMaxListedDocuments);

}  // namespace vantor::client
