#pragma once
// A session of the IMAP client: the program's password, handed to each
// account it opens (the keyring's, when it holds one, goes first).
#include "notes/imap/imap_database.h"

namespace vantor::imap {

class ImapSession : public notes::Session {
  public:
    explicit ImapSession(ImapClient& client) : client_(client) {}

    // Keeps the password; the servers are reached when a database is opened.
    void initialize(const QString& password) override { password_ = password; }
    notes::DbDirectoryPtr getDbDirectory(const QString& server) override;
    // Not open when the server or the mailbox cannot be opened.
    notes::DatabasePtr getDatabase(const QString& server, const QString& file) override;
    // The address of the last account opened; "" before.
    QString userName() override { return userName_; }

  private:
    friend class ImapDbDirectory;
    std::shared_ptr<ImapDatabase> openDatabase(const QString& server, const QString& file);

    ImapClient& client_;
    QString password_;
    QString userName_;
};

}  // namespace vantor::imap
