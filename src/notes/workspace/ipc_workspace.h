#pragma once
// The mail client's user interface as the program reaches it: the client
// runs as a program of its own (`notes`) and the workspace talks to it over
// its local socket (client_channel.h). Creating the workspace costs nothing
// and needs no client; each call connects, and fails with
// workspace_code::kNotesNotRunning when none runs for the data folder.
#include <QString>
#include <functional>

#include "notes/notes.h"

namespace vantor::notes {

// editDocument sends the document's items, its attachments as copies in a
// temporary folder that stays until the client has answered; openDatabase
// sends its five arguments. Failures the client raises come back unchanged.
UIWorkspacePtr createIpcWorkspace(const QString& dataRoot);

// The same, in the shape the local store's client takes.
std::function<UIWorkspacePtr(Client&)> ipcWorkspaceFactory(const QString& dataRoot);

}  // namespace vantor::notes
