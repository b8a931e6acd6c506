#pragma once
// The desktop's programs stand in for a mail client's windows: a reply goes
// to the mail composer as a mailto: address (xdg-email), a folder to the
// desktop's handler of imap: addresses (xdg-open).
#include <QString>
#include <QUrl>

#include "notes/notes.h"

namespace vantor {
class Env;
}

namespace vantor::imap {

// "mailto:" for a reply: to, subject, the quoted text and In-Reply-To.
QUrl replyAddress(const QString& sendTo, const QString& subject, const QString& body,
                  const QByteArray& inReplyTo);
// "imap://login@host:port/folder" of a folder of an account.
QUrl folderAddress(const QString& server, const QString& folder);

class ImapWorkspace : public notes::UIWorkspace {
  public:
    ImapWorkspace(Env& env, std::function<void(const QString&)> log)
        : env_(env), log_(std::move(log)) {}
    // Starts the composer; a failure is logged and thrown.
    void editDocument(bool editMode, const notes::DocumentPtr& document) override;
    // Starts the viewer on the folder `view`; a failure is logged only.
    void openDatabase(const QString& server, const QString& file, const QString& view,
                      const QString& key, bool newInstance) override;

  private:
    Env& env_;
    std::function<void(const QString&)> log_;
};

}  // namespace vantor::imap
