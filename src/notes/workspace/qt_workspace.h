#pragma once
// The mail client's user interface, in this process: editDocument opens a
// memo window, openDatabase a window listing one view or folder (both are
// top-level windows titled "Lotus Notes", see document_window.h and
// database_window.h). The windows outlive the workspace object, which
// callers release at once; `client` must outlive the workspace.
#include "notes/notes.h"
#include "notes/workspace/database_window.h"
#include "notes/workspace/document_window.h"
#include "notes/workspace/workspace_codes.h"

namespace vantor::notes {

// openDatabase opens the database through a client session and throws a
// Failure when it is not open or has no such view; `key` is not used and
// every call opens a new window, whatever `newInstance`.
UIWorkspacePtr createQtWorkspace(Client& client);

}  // namespace vantor::notes
