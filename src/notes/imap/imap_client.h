#pragma once
// The client of the IMAP mailboxes: one account per account address for the
// whole run (its connections outlive the sessions), on a network thread of
// its own.
#include <map>
#include <memory>

#include "notes/imap/imap_realisation.h"
#include "notes/imap/mail_account.h"
#include "notes/imap/network_thread.h"

namespace vantor::imap {

class ImapClient : public notes::Client {
  public:
    // `accounts` gives what every account starts from (timeouts, delays);
    // its address, trust file, log and Env come from `settings`.
    explicit ImapClient(ImapClientSettings settings, AccountSettings accounts = {});
    ~ImapClient() override;

    notes::SessionPtr createBackendSession() override;
    notes::SessionPtr createClientSession() override;
    notes::UIWorkspacePtr createUIWorkspace() override;
    // The desktop's composer and viewer come forward by themselves.
    QString clientWindowTitle(const QString&) override { return QString(); }
    void setNewMailListener(std::function<void()> listener) override;

    // The account of a server field, made at its first use; the session's
    // password handed to it. Throws code::kBadAddress for a field that is
    // not a usable IMAP address.
    std::shared_ptr<MailAccount> accountFor(const QString& server, const QString& password);
    Env& env() { return *env_; }
    void log(const QString& line) const;

  private:
    ImapClientSettings settings_;
    AccountSettings accountSettings_;
    Env* env_;
    std::function<void()> listener_;
    NetworkThread network_;
    std::map<QString, std::shared_ptr<MailAccount>> accounts_;  // by account address
};

}  // namespace vantor::imap
