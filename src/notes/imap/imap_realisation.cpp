#include "notes/imap/imap_realisation.h"

#include "notes/imap/imap_client.h"
#include "notes/imap/imap_document.h"
#include "notes/imap/server_address.h"

namespace vantor::imap {

bool isImapServer(const QString& server) {
    return ServerAddress::isImap(server);
}

notes::Realisation imapRealisation(ImapClientSettings settings) {
    return notes::Realisation{std::make_unique<ImapClient>(std::move(settings)), isImapServer,
                              [](const notes::Document& document) {
                                  return dynamic_cast<const ImapDocument*>(&document) != nullptr;
                              }};
}

}  // namespace vantor::imap
