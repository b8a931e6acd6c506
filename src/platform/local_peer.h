#pragma once
// Local sockets that no other user can reach: the private folder they live
// in, and who is at the other end of a connection. Each side of a channel
// checks its peer before it sends a byte, so that a socket another user made
// first under the expected name receives nothing.
#include <QString>
#include <QtGlobal>
#include <optional>

namespace vantor {

// The folder for this user's sockets: $XDG_RUNTIME_DIR when it is a folder
// of this user that nobody else may enter, else "vantor-<uid>" in the
// temporary folder, made with mode 0700 when missing. Nullopt, with the
// reason in French in `why`, when that folder is not this user's own and
// private (a link, another user's, or open to others).
std::optional<QString> userRuntimeFolder(QString* why);

// "" when the process at the other end of the connected local socket
// `descriptor` runs as this user; otherwise why it is refused, in French.
QString refusedPeer(qintptr descriptor);

}  // namespace vantor
