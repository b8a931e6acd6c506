#include "notes/store/local_client.h"

#include "notes/store/local_session.h"
#include "notes/store/store_codes.h"

namespace vantor::store {

LocalClient::LocalClient(QString dataRoot, WorkspaceFactory workspaces)
    : dataRoot_(std::move(dataRoot)), workspaces_(std::move(workspaces)) {}

notes::SessionPtr LocalClient::createBackendSession() {
    return std::make_unique<LocalSession>(dataRoot_, LocalSession::Kind::Backend);
}

notes::SessionPtr LocalClient::createClientSession() {
    return std::make_unique<LocalSession>(dataRoot_, LocalSession::Kind::Client);
}

notes::UIWorkspacePtr LocalClient::createUIWorkspace() {
    if (!workspaces_)
        throw Failure(code::kNoWorkspace,
                      QStringLiteral("L'interface du client de messagerie n'est pas disponible sur ce poste."));
    return workspaces_(*this);
}

}  // namespace vantor::store
