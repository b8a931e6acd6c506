#include "eml_reader.h"

#include "notes/mime/message.h"

namespace vantor::tool {

store::Memo readEmlFile(const QString& path) {
    mime::Message message = mime::readMessageFile(path);
    if (!message.from)
        throw mime::unreadableFile(path, QStringLiteral("l'expéditeur (From) manque"));
    store::Memo memo;
    memo.from = *message.from;
    memo.sendTo = message.to;
    memo.subject = message.subject;
    memo.posted = message.date;
    memo.body = std::move(message.body);
    for (mime::Attachment& file : message.attachments)
        memo.attachments.push_back({std::move(file.name), QString(), std::move(file.bytes)});
    return memo;
}

}  // namespace vantor::tool
