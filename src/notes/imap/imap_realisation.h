#pragma once
// The entry point of the mail boundary over IMAP: the client that holds the
// IMAP mailboxes, for the routing client beside the local store.
#include <QString>
#include <functional>

#include "notes/routing_client.h"

namespace vantor {
class Env;
}

namespace vantor::imap {

struct ImapClientSettings {
    QString trustFile;                         // the program folder's "certificats.txt"
    std::function<void(const QString&)> log;   // the program's error log (erreur_log.txt)
    Env* env = nullptr;                        // Env::Default() when null
};

// True when a server field names an IMAP account ("imaps://..." or "imap://...").
bool isImapServer(const QString& server);
// The IMAP realisation of the mail boundary, ready for RoutingClient::attach.
notes::Realisation imapRealisation(ImapClientSettings settings);

}  // namespace vantor::imap
