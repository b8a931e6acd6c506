#pragma once
// A memo of the mail client: recipients, subject and body of one document,
// read-only, or editable with "Envoyer" when a sender is given. A window tab
// of the client's frame that deletes itself when closed and holds the
// document handle (and whatever the sender keeps) until then; its title is
// the subject.
//
// Child object names, for whoever drives the window: "sendTo", "subject",
// "body", "send" (editable memos only), "close".
#include <QString>
#include <QWidget>
#include <functional>

#include "client/page.h"
#include "notes/notes.h"

class QLineEdit;
class QPlainTextEdit;

namespace vantor::client {

class DocumentWindow : public QWidget, public Page {
    Q_OBJECT
  public:
    // Sends the document once the edited fields are written to it; throws
    // the Failure that stops it.
    using Sender = std::function<void(notes::Document&)>;

    DocumentWindow(notes::DocumentPtr document, Sender sender = {});

    // Writes the changed fields to the document and sends it; on a failure
    // shows it in an "ERREUR" box and stays open. True when sent.
    bool sendDocument();

    QMap<QString, QString> fields() const override;

  private:
    void writeEdits();

    notes::DocumentPtr document_;
    Sender sender_;
    QString storedBody_;
    QLineEdit* sendTo_;
    QLineEdit* subject_;
    QPlainTextEdit* body_;
};

}  // namespace vantor::client
