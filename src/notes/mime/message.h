#pragma once
// Reading an RFC 5322 mail message the way a mail reader shows it: its
// sender, recipients, subject, date and identifiers, the text of its body
// (every inline text part in order, one alternative, HTML as text, forwarded
// messages inline) and the files it carries. Encoded headers and charsets
// are turned into Unicode. The store's tool and the mail-server realisation
// both read mail through here; nothing here knows either of them.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/failure.h"

namespace vantor::mime {

namespace code {
// Bytes or a file that are not a readable mail message.
inline constexpr std::int32_t kBadMessage = static_cast<std::int32_t>(0x80041030);
}  // namespace code

// One file the message carries.
struct Attachment {
    QString name;                        // decoded; "piece_jointe_N.ext" when the part names none
    QString contentType;                 // "application/pdf", lower case
    QByteArray bytes;                    // decoded; empty when read with AttachmentBytes::kLeftOut
    std::optional<qint64> declaredSize;  // the "size" of its Content-Disposition, if any
    // Where a mail server finds the bytes: the part's IMAP section ("2",
    // "1.3"), its BODY[section] decoded by its Content-Transfer-Encoding.
    // Empty for a part found inside a multipart whose boundary was wrong:
    // only the whole message holds it.
    QString section;
    // The bytes are the part as written, its MIME header included
    // (BODY[section.MIME] then BODY[section]): a structure nested too deep
    // to walk, kept whole.
    bool wholePart = false;
};

struct Message {
    // The "From" as it reads ("Name <address>", display names, "<>" for the
    // null sender of delivery notices); nullopt when there is no From header.
    std::optional<QString> from;
    QString to;  // addresses as text, empty when there are none
    QString cc;
    QString subject;
    QDateTime date;     // invalid when there is no readable Date
    QString messageId;  // without its angle brackets; empty when missing
    QString inReplyTo;  // the first message ID it names, without brackets
    QString body;       // the text a mail reader shows
    std::vector<Attachment> attachments;
};

// Whether the attachments' bytes are decoded. The body text is the same
// either way, so a message whose attachment parts were left empty (a
// skeleton, mime/sections.h) reads like the whole message.
enum class AttachmentBytes { kDecoded, kLeftOut };

// Reads a message from its bytes as they are (as a mail server splits it
// into header and body). Throws vantor::Failure (code::kBadMessage) when the
// bytes hold no message header.
Message readMessage(const QByteArray& bytes,
                    AttachmentBytes attachments = AttachmentBytes::kDecoded);

// readMessage without the header's own fields (addresses, subject, date,
// IDs stay empty): the body and the attachments, read the same way.
Message readMessageBody(const QByteArray& bytes,
                        AttachmentBytes attachments = AttachmentBytes::kDecoded);

// Reads a message file (.eml, or one message of an mbox with its "From "
// line), putting back a missing blank line after the headers so that the
// text below them stays the body. Throws vantor::Failure (code::kBadMessage)
// naming the file when it is missing, empty, over 512 MB or not a message.
Message readMessageFile(const QString& path,
                        AttachmentBytes attachments = AttachmentBytes::kDecoded);

// The failure for a file that is not a readable message, `why` in French.
Failure unreadableFile(const QString& path, const QString& why);

}  // namespace vantor::mime
