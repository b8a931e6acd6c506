#include "notes/imap/imap_client.h"

#include "notes/imap/imap_codes.h"
#include "notes/imap/imap_session.h"
#include "notes/imap/imap_workspace.h"
#include "platform/env.h"

namespace vantor::imap {

ImapClient::ImapClient(ImapClientSettings settings, AccountSettings accounts)
    : settings_(std::move(settings)),
      accountSettings_(std::move(accounts)),
      env_(settings_.env ? settings_.env : Env::Default()) {}

// The accounts go before the network thread their connections live on.
ImapClient::~ImapClient() {
    accounts_.clear();
}

notes::SessionPtr ImapClient::createBackendSession() {
    return std::make_unique<ImapSession>(*this);
}

notes::SessionPtr ImapClient::createClientSession() {
    return std::make_unique<ImapSession>(*this);
}

notes::UIWorkspacePtr ImapClient::createUIWorkspace() {
    return std::make_unique<ImapWorkspace>(*env_, settings_.log);
}

void ImapClient::log(const QString& line) const {
    if (settings_.log) settings_.log(line);
}

void ImapClient::setNewMailListener(std::function<void()> listener) {
    listener_ = std::move(listener);
    for (auto& [key, account] : accounts_) account->account().setNewMailListener(listener_);
}

std::shared_ptr<MailAccount> ImapClient::accountFor(const QString& server,
                                                    const QString& password) {
    const std::optional<ServerAddress> address = ServerAddress::parse(server);
    if (!address)
        throw Failure(code::kBadAddress,
                      QStringLiteral("« %1 » n'est pas une adresse de compte IMAP utilisable "
                                     "(imaps://IDENTIFIANT@SERVEUR[:PORT] ou imap://...).")
                          .arg(server.left(200)));
    std::shared_ptr<MailAccount>& account = accounts_[address->account()];
    if (!account) {
        AccountSettings s = accountSettings_;
        s.address = *address;
        s.trustFile = settings_.trustFile;
        s.env = env_;
        s.log = settings_.log;
        account = std::make_shared<MailAccount>(network_, s);
        if (listener_) account->account().setNewMailListener(listener_);
    }
    account->account().setSessionPassword(password);
    return account;
}

}  // namespace vantor::imap
