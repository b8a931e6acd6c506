#pragma once
// What a mail reader shows of a parsed message: the text of its body and the
// files it carries, following the MIME structure (every inline text part of a
// mixed multipart in order, one alternative, the root of a related part,
// forwarded messages shown inline), and its sender even when the address is
// the null one of delivery notices.
#include <gmime/gmime.h>

#include <QString>
#include <optional>
#include <vector>

#include "notes/mime/message.h"

namespace vantor::mime {

// Parts nested deeper are not walked (a message kept whole as a file, a
// server's structure left there): no mail reader nests further, and the
// walks' stacks stay small.
inline constexpr int kMaxPartDepth = 64;

struct MessageContent {
    QString body;
    std::vector<Attachment> attachments;
};

// The body text and the files of a parsed message.
MessageContent readMessageContent(GMimeMessage* message, AttachmentBytes bytes);

// The "From" as it reads: display names, or "<>" for the null address;
// nullopt when the message has no From header at all.
std::optional<QString> senderOf(GMimeMessage* message);

// A list of addresses as text, empty when there are none.
QString addressText(InternetAddressList* list);

// The IMAP section of the part numbered `number` (from 1) below `prefix`
// ("" at the top of a message): "2", "1.3".
QString partSection(const QString& prefix, int number);

// Whether a part of this media type (lower case) is shown as body text rather
// than kept as a file: plain text and HTML that are not marked as attachments.
bool showsAsText(const QByteArray& type, const QByteArray& subtype, bool attachment);

}  // namespace vantor::mime
