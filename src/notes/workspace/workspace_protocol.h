#pragma once
// The messages between the program and the running mail client, over a
// local socket: each one a 32-bit big-endian length followed by that many
// bytes, which start with a magic number, the protocol version and the
// message kind (docs/client.md). Free of sockets: encoding and decoding only.
#include <QByteArray>
#include <QMap>
#include <QString>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "platform/failure.h"

namespace vantor::notes::protocol {

inline constexpr std::uint32_t kMagic = 0x564E5753;  // "VNWS"
inline constexpr std::uint16_t kVersion = 1;
// Attachments travel as file paths, so a message stays small; anything
// larger is refused before it is read.
inline constexpr std::uint32_t kMaxMessageBytes = 16u * 1024u * 1024u;

// An attachment of an unsaved document: a copy the sender made in a folder
// of its own, which stays until the client has answered.
struct AttachmentRef {
    int type = 0;
    QString name;  // as the document names it; never used as a path
    QString path;  // the copy to read
};

struct ItemData {
    QString name;
    int type = 0;
    QString text;
    std::vector<AttachmentRef> attachments;
};

// EDITDOCUMENT: the document's items, in order.
struct EditDocument {
    bool editMode = true;
    std::vector<ItemData> items;
};

struct OpenDatabase {
    QString server;
    QString file;
    QString view;
    QString key;
    bool newInstance = true;
};

// Brings the client's window to the front (a second start of the client).
struct Show {};

// What the frontmost window of the client shows, as field names and values
// (the automation's current document or view).
struct CurrentWindow {};

using Request = std::variant<EditDocument, OpenDatabase, Show, CurrentWindow>;

// Done, with the fields asked for (empty for most requests), or the failure
// the client raised.
struct Reply {
    std::optional<Failure> failure;
    QMap<QString, QString> fields;
};

// One whole frame: length prefix and payload.
QByteArray encodeRequest(const Request& request);
QByteArray encodeReply(const Reply& reply);

// Payloads (the bytes after the length prefix). Throw a Failure with
// workspace_code::kBadMessage for anything malformed or of another version.
Request decodeRequest(const QByteArray& payload);
Reply decodeReply(const QByteArray& payload);

// Takes one complete frame off the front of `buffer`: its payload, or
// nullopt while incomplete. Throws kBadMessage for an announced length
// above kMaxMessageBytes.
std::optional<QByteArray> takeFrame(QByteArray& buffer);

// The name of the local socket the client of `dataRoot` listens on for the
// current user: two users, or two data folders, never share one.
QString socketName(const QString& dataRoot);

}  // namespace vantor::notes::protocol
