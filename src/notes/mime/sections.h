#pragma once
// A message on a mail server, read without downloading its attachments. The
// server describes the message's structure (IMAP BODYSTRUCTURE); the few
// sections its text needs are fetched (the header, every part's MIME header,
// the text parts); the message read from them has the whole message's body
// text and its attachments' names, types and sections, without their bytes.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <vector>

#include "notes/mime/message.h"

namespace vantor::mime {

// One part of a message as a server describes it (a body of BODYSTRUCTURE).
struct PartOutline {
    QByteArray type;         // "text", "multipart", "message", "image"..., any case
    QByteArray subtype;      // "plain", "mixed", "rfc822"...
    QByteArray disposition;  // "attachment", "inline" or empty
    qint64 size = 0;         // octets of the body as sent
    // A multipart's parts in order; for message/rfc822, one: the body of the
    // message it holds.
    std::vector<PartOutline> parts;
};

// Contents of fetched sections, by IMAP section-spec ("HEADER", "1.MIME", "2.1").
using SectionContents = std::map<QString, QByteArray>;

// The sections to fetch (BODY.PEEK[...]) to read the message whose body has
// this outline: "HEADER", each part's "n.MIME", a held message's
// "n.HEADER", and the bodies of the parts shown as text. A multipart listed
// with no part or one empty part (its boundary does not match) is fetched
// whole ("TEXT" or its own section) and read as the whole message reads it.
QStringList sectionsForText(const PartOutline& body);

// The message's body and attachments read from the contents of those
// sections (a missing one reads as empty; the header's own fields are not
// read): AttachmentBytes::kLeftOut, sections as the server numbers them.
// Throws vantor::Failure (code::kBadMessage) when the header is not a message
// header.
Message readSections(const PartOutline& body, const SectionContents& contents);

}  // namespace vantor::mime
