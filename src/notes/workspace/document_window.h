#pragma once
// A memo window of the mail client: recipients, subject and body of one
// document, editable or read-only. It is a free top-level window titled
// "Lotus Notes" that deletes itself when closed and holds the document
// handle until then.
//
// Child object names, for whoever drives the window: "sendTo", "subject",
// "body", "save" (editable windows only), "close".
#include <QString>
#include <QWidget>

#include "notes/notes.h"

class QLineEdit;
class QPlainTextEdit;

namespace vantor::notes {

class DocumentWindow : public QWidget {
    Q_OBJECT
  public:
    DocumentWindow(DocumentPtr document, bool editable);

    // Writes the changed fields to the document and saves it; on a failure
    // shows it in an "ERREUR" box and stays open. True when saved.
    bool saveDocument();

  private:
    DocumentPtr document_;
    QString storedBody_;
    QLineEdit* sendTo_;
    QLineEdit* subject_;
    QPlainTextEdit* body_;
};

}  // namespace vantor::notes
