#pragma once
// Typed meaning of "* n FETCH (...)": the items Vantor asks for. Decoding is
// per item: an item that does not fit its grammar is left out, the others
// are kept, so one odd field never hides a message.
#include <QByteArray>
#include <QDateTime>
#include <optional>
#include <utility>
#include <vector>

#include "notes/imap/response.h"

namespace vantor::imap {

// Header values as the server gives them (encoded words not decoded).
struct Address {
    QByteArray name, mailbox, host;
};

struct Envelope {
    QByteArray date, subject, inReplyTo, messageId;
    std::vector<Address> from, sender, replyTo, to, cc, bcc;
};

using Parameters = std::vector<std::pair<QByteArray, QByteArray>>;  // names lower case

struct BodyPart {
    // The number BODY[...] takes for this part ("1", "2.1"); a multipart's
    // is its parent's ("" at the top).
    QByteArray section;
    QByteArray type, subtype;  // lower case: "text", "plain"
    Parameters parameters;
    QByteArray id, description, encoding;  // encoding lower case
    quint64 size = 0;                      // encoded bytes
    QByteArray disposition;                // lower case: "attachment", "inline", ""
    Parameters dispositionParameters;
    // A multipart's parts; a message/rfc822's body (one part).
    std::vector<BodyPart> parts;
    // Nested deeper than the bound: its content is not described.
    bool truncated = false;

    bool isMultipart() const { return type == "multipart"; }
    // A parameter of the part or of its disposition ("charset", "filename").
    QByteArray parameter(QByteArrayView name) const;
};

struct SectionData {
    QByteArray section;  // what was between the brackets: "1.2", "HEADER.FIELDS (DATE)"
    std::optional<quint64> origin;  // <n> of a partial fetch
    QByteArray bytes;
    bool nil = false;
};

struct FetchData {
    quint64 sequence = 0;
    std::optional<quint32> uid;
    std::optional<std::vector<QByteArray>> flags;
    std::optional<QDateTime> internalDate;  // UTC
    std::optional<quint64> size;            // RFC822.SIZE
    std::optional<Envelope> envelope;
    std::optional<BodyPart> body;  // BODYSTRUCTURE
    std::vector<SectionData> sections;
    std::optional<quint64> modSeq;
};

// nullopt when `r` is not a FETCH response with a list.
std::optional<FetchData> decodeFetch(const Response& r, int maxMimeDepth = 32);
// "17-Jul-1996 02:44:25 -0700" as an instant (UTC); nullopt when invalid.
std::optional<QDateTime> parseInternalDate(QByteArrayView text);
// The same form for an instant, with its own offset from UTC.
QByteArray formatInternalDate(const QDateTime& instant);

}  // namespace vantor::imap
