#pragma once
// A database of the mail client on one of its views: the database's views
// and folders on the left, the documents of the chosen one on the right as
// rows "De", "Objet", "Date", in view order, under a header line naming the
// view and the database. Choosing another view lists it; double-clicking a
// row asks for the document, read-only (documentRequested). A window tab of
// the client's frame that deletes itself when closed; it holds the session,
// database and documents until then. Its title is the view's name.
//
// Child object names: "views" (the list of views and folders), "header"
// (the label), "documents" (the list).
#include <QWidget>
#include <vector>

#include "client/page.h"
#include "notes/notes.h"

class QLabel;
class QListWidget;
class QTreeWidget;

namespace vantor::client {

class DatabaseWindow : public QWidget, public Page {
    Q_OBJECT
  public:
    // Lists `view` at once; throws the Failure of a document that cannot
    // be read.
    DatabaseWindow(notes::SessionPtr session, notes::DatabasePtr database, notes::ViewPtr view);

    // Lists another view or folder of the database; false when it has none
    // of that name.
    bool showView(const QString& name);
    // Asks for the document of that row; false for a row out of range.
    bool openDocument(int row);

    const notes::Database& database() const { return *database_; }
    QString viewName() const;
    QMap<QString, QString> fields() const override;

  signals:
    void documentRequested(notes::DocumentPtr document);

  private:
    void createViewList();
    void listView(notes::ViewPtr view);

    notes::SessionPtr session_;
    notes::DatabasePtr database_;
    notes::ViewPtr view_;
    std::vector<notes::DocumentPtr> documents_;
    QListWidget* views_;
    QLabel* header_;
    QTreeWidget* list_;
};

}  // namespace vantor::client
