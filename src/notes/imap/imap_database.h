#pragma once
// A database of a server: the account (its personal namespace, "INBOX") or
// the root of a shared one. Its views: "($All)" then every selectable
// folder, named with "\" between levels.
#include <memory>

#include "notes/imap/imap_view.h"

namespace vantor::imap {

class ImapClient;

class ImapDatabase : public notes::Database {
  public:
    ImapDatabase(ImapClient& client, QString server, QString root, QString password);
    // The documents fetched ahead hold the state they are kept in.
    ~ImapDatabase() override { state_->expected.clear(); }

    // Logs in, reads the folders and starts the watch of those never
    // observed; throws a French failure naming the account.
    void open();

    QString server() const override { return server_; }
    QString filePath() const override { return root_; }
    bool isOpen() const override { return account_ != nullptr; }
    void openMail() override { open(); }
    notes::ViewPtr getView(const QString& name) override;
    std::vector<notes::ViewPtr> views() override;
    // From the places the run saw it (outside "Recherche" first), else by
    // its Message-ID in the watched folders.
    notes::DocumentPtr getDocumentByUNID(const QString& unid) override;
    // The summaries of those places, one exchange a folder, and their texts
    // asked for at once: the look-ups that follow wait for no exchange.
    void expectLookups(const QStringList& unids) override;
    // A draft answering the message last handed out by getDocumentByUNID.
    notes::DocumentPtr createDocument() override;
    // The server's SEARCH in every watched folder: nothing downloaded.
    notes::ViewPtr searchCandidates(const QString& phrase) override;
    // Removals wait for the commit: one UID EXPUNGE per folder.
    notes::WriteBatchPtr beginWriteBatch() override;

  private:
    MailAccount& ready() const;
    notes::ViewPtr allView();
    notes::DocumentPtr documentAt(const Location& where, const QString& unid);

    ImapClient& client_;
    QString server_, root_, password_;
    std::shared_ptr<MailAccount> account_;
    std::shared_ptr<DatabaseState> state_ = std::make_shared<DatabaseState>();
};

}  // namespace vantor::imap
