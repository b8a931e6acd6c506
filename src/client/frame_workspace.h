#pragma once
// What the client does when asked to open something, by the program over
// its socket or by the user in its frame: a memo composed of given items, a
// document read-only, a database on a view. Each opens a window tab in the
// frame and brings the frame to the front; failures are thrown with the
// workspace codes (notes/workspace/workspace_codes.h).
#include <vector>

#include "notes/notes.h"
#include "notes/workspace/workspace_protocol.h"

namespace vantor::client {

class ClientFrame;

class FrameWorkspace {
  public:
    // Both must outlive the workspace.
    FrameWorkspace(ClientFrame& frame, notes::Client& client) : frame_(frame), client_(client) {}

    // EDITDOCUMENT: a memo of the user's own mail database holding `items`;
    // editable, and sent from there, in edit mode, read-only otherwise.
    void editDocument(bool editMode, const std::vector<notes::protocol::ItemData>& items);
    void readDocument(const notes::DocumentPtr& document);
    // The database on that view or folder; an empty view name takes
    // "($Inbox)", else the first view. With `newInstance` false a tab
    // already showing the database is reused. `key` is not used: the
    // store's views are neither sorted nor categorised.
    void openDatabase(const QString& server, const QString& file, const QString& view,
                      const QString& key, bool newInstance);

  private:
    ClientFrame& frame_;
    notes::Client& client_;
};

}  // namespace vantor::client
