#pragma once
// The memos the client composes: a draft built from the items the program
// sent (EDITDOCUMENT) in the user's own mail database, and its sending.
// Free of widgets.
#include <QString>
#include <vector>

#include "notes/notes.h"
#include "notes/workspace/workspace_protocol.h"

namespace vantor::client {

// An unsaved document of `mailbox` holding the items in order. Each file
// attachment is copied into `attachmentFolder` first (under a number, never
// under its own name), which must then stay until the draft is sent or
// dropped; other embedded objects are left out. Throws the store's failure
// for an attachment that cannot be read.
notes::DocumentPtr buildDraft(notes::Database& mailbox,
                              const std::vector<notes::protocol::ItemData>& items,
                              const QString& attachmentFolder);

// Sends the memo as the session's user: it gets "From", "PostedDate" and
// the form "Memo", and is saved in `mailbox` filed in "($Sent)" (and in
// "($Inbox)" too when the user is among its recipients), in one
// transaction. Throws workspace_code::kNoRecipient when "SendTo" names
// nobody, and the store's failures.
void sendMemo(notes::Session& session, notes::Database& mailbox, notes::Document& memo);

// The names of a "SendTo" value: split at "," and ";", trimmed, empty ones
// left out.
QStringList recipients(const QString& sendTo);

}  // namespace vantor::client
