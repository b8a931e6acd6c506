#pragma once
// A view window of the mail client: the documents of one view or folder as
// rows "De", "Objet", "Date", in view order, under a header line naming the
// folder and the database. Double-clicking a row opens the document
// read-only. A free top-level window titled "Lotus Notes" that deletes
// itself when closed; it holds the session, database and documents until
// then.
//
// Child object names: "header" (the label), "documents" (the list).
#include <QWidget>
#include <vector>

#include "notes/notes.h"

class QTreeWidgetItem;

namespace vantor::notes {

class DocumentWindow;

class DatabaseWindow : public QWidget {
    Q_OBJECT
  public:
    // Lists the view at once; throws the Failure of a document that cannot
    // be read.
    DatabaseWindow(SessionPtr session, DatabasePtr database, ViewPtr view);

    // Opens the document of that row read-only; null for a row out of range.
    DocumentWindow* openDocument(int row);

  private:
    SessionPtr session_;
    DatabasePtr database_;
    ViewPtr view_;
    std::vector<DocumentPtr> documents_;
};

}  // namespace vantor::notes
