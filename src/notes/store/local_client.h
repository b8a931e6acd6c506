#pragma once
// The mail client of this machine, realised as a local store of SQLite mail
// databases under one data root (see docs/store.md for the layout).
#include <QString>
#include <functional>

#include "notes/notes.h"

namespace vantor::store {

// Builds the client's user interface on demand; the store has no widgets.
using WorkspaceFactory = std::function<notes::UIWorkspacePtr(notes::Client&)>;

class LocalClient : public notes::Client {
public:
    // `dataRoot` holds user.id, the server folders and "local"; it is read
    // anew by every session, so changes made by another process show.
    explicit LocalClient(QString dataRoot, WorkspaceFactory workspaces = {});

    const QString& dataRoot() const { return dataRoot_; }

    // A session that must be initialize()d with the user's password.
    notes::SessionPtr createBackendSession() override;
    // The user logged into this machine; fails when no user is set up.
    notes::SessionPtr createClientSession() override;
    // Fails when no workspace factory was given.
    notes::UIWorkspacePtr createUIWorkspace() override;

private:
    QString dataRoot_;
    WorkspaceFactory workspaces_;
};

}  // namespace vantor::store
