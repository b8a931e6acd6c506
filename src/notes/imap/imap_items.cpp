#include "notes/imap/imap_items.h"

#include <QCryptographicHash>
#include <QFile>

#include "notes/imap/imap_codes.h"
#include "notes/imap/text_read_ahead.h"
#include "notes/mime/sections.h"

namespace vantor::imap {

namespace {

Failure gone(const QString& what) {
    return Failure(
        notes::code::kDocumentRemoved,
        QStringLiteral("Le message n'est plus sur le serveur : %1 impossible.").arg(what));
}

}  // namespace

QByteArray MessageContent::section(const QByteArray& name) {
    std::optional<QByteArray> bytes =
        account_->account().fetchSection(where_.ref(), where_.uid, name);
    if (!bytes) throw gone(QStringLiteral("lecture"));
    return std::move(*bytes);
}

const mime::Message& MessageContent::message() {
    if (message_) return *message_;
    if (!structure_) {
        // The server's structure was unreadable: the message is read whole, once.
        whole_ = mime::readMessage(section(""));
        message_ = *whole_;
        for (mime::Attachment& a : message_->attachments) a.bytes.clear();
        return *message_;
    }
    std::optional<mime::SectionContents> contents = readAhead_->take(where_.uid);
    if (!contents) throw gone(QStringLiteral("lecture"));
    message_ = mime::readSections(outlineOf(*structure_), *contents);
    return *message_;
}

QByteArray MessageContent::encodingOf(const QString& section) const {
    const BodyPart* part = structure_ ? partAt(*structure_, section.toLatin1()) : nullptr;
    return part && !part->encoding.isEmpty() ? part->encoding : QByteArray("7bit");
}

QByteArray MessageContent::attachmentBytes(std::size_t index) {
    const mime::Message& m = message();
    if (index >= m.attachments.size()) return {};
    const mime::Attachment& a = m.attachments[index];
    if (whole_ || a.section.isEmpty()) {
        // Only the whole message holds it.
        if (!whole_) whole_ = mime::readMessage(section(""));
        return index < whole_->attachments.size() ? whole_->attachments[index].bytes : QByteArray();
    }
    const QByteArray name = a.section.toLatin1();
    if (a.wholePart) return section(name + ".MIME") + section(name);
    // Decoded by the one MIME reader, as the part's own transfer encoding says.
    const QByteArray part =
        "Content-Type: application/octet-stream\r\n"
        "Content-Disposition: attachment; filename=\"part\"\r\n"
        "Content-Transfer-Encoding: " +
        encodingOf(a.section) + "\r\n\r\n" + section(name);
    const mime::Message decoded = mime::readMessage(part);
    return decoded.attachments.empty() ? QByteArray() : decoded.attachments.front().bytes;
}

std::vector<notes::EmbeddedObjectPtr> ImapBodyItem::embeddedObjects() const {
    std::vector<notes::EmbeddedObjectPtr> out;
    const auto& attachments = content_->message().attachments;
    for (std::size_t i = 0; i < attachments.size(); ++i)
        out.push_back(std::make_shared<ImapAttachment>(content_, i, attachments[i].name));
    return out;
}

void ImapAttachment::extractFile(const QString& path) {
    const QByteArray data = bytes();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
        throw Failure(code::kCannotWriteFile,
                      QStringLiteral("La pièce jointe %1 n'a pas pu être écrite dans %2 : %3")
                          .arg(name_, path, file.errorString()));
}

QByteArray ImapAttachment::sha256() const {
    return QCryptographicHash::hash(bytes(), QCryptographicHash::Sha256);
}

}  // namespace vantor::imap
