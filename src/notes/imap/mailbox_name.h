#pragma once
// Folder names on the wire: modified UTF-7 (RFC 3501, 5.1.3), both ways.
// Commands always send the server's own bytes back; the decoded text is
// what the user sees.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace vantor::imap {

// The modified UTF-7 form of a name.
QByteArray encodeMailboxName(const QString& name);
// The name these bytes encode; nullopt when they are not modified UTF-7.
std::optional<QString> decodeMailboxName(QByteArrayView raw);
// The name to show for a server's bytes: decoded when valid, else read as
// UTF-8 (servers that send raw 8-bit names), invalid bytes replaced.
QString displayMailboxName(QByteArrayView raw);

}  // namespace vantor::imap
