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

#include "notes/store/memo.h"

namespace vantor::tool {

struct MessageContent {
    QString body;
    std::vector<store::MemoAttachment> attachments;
};

MessageContent readMessageContent(GMimeMessage* message);

// The "From" as it reads: display names, or "<>" for the null address;
// nullopt when the message has no From header at all.
std::optional<QString> senderOf(GMimeMessage* message);

// A list of addresses as text, empty when there are none.
QString addressText(InternetAddressList* list);

}  // namespace vantor::tool
