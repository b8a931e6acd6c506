#pragma once
// Items and attachments of a message on a server. The body's text is
// fetched (its text parts only) when first read; an attachment's bytes only
// when they are asked for.
#include <memory>
#include <optional>

#include "notes/imap/mail_account.h"
#include "notes/mime/message.h"
#include "notes/notes.h"

namespace vantor::imap {

// Date-time items, as the local store's delivered memos hold them.
inline constexpr int kDateTimeItem = 1024;

class TextReadAhead;

// The message's body, read once from its text parts (with the next messages'
// of its batch, by `readAhead`).
class MessageContent {
  public:
    MessageContent(std::shared_ptr<MailAccount> account, Location where,
                   std::optional<BodyPart> structure, std::shared_ptr<TextReadAhead> readAhead)
        : account_(std::move(account)),
          where_(std::move(where)),
          structure_(std::move(structure)),
          readAhead_(std::move(readAhead)) {}

    // The body as a mail reader shows it; attachments listed, bytes left out.
    // Throws notes::code::kDocumentRemoved when the message is gone.
    const mime::Message& message();
    // The decoded bytes of the message's attachment number `index`.
    QByteArray attachmentBytes(std::size_t index);

  private:
    QByteArray section(const QByteArray& name);
    QByteArray encodingOf(const QString& section) const;

    std::shared_ptr<MailAccount> account_;
    Location where_;
    std::optional<BodyPart> structure_;
    std::shared_ptr<TextReadAhead> readAhead_;
    std::optional<mime::Message> message_;
    std::optional<mime::Message> whole_;  // read whole when the structure could not be used
};

class ImapItem : public notes::Item {
  public:
    ImapItem(QString name, int type, QString text)
        : name_(std::move(name)), type_(type), text_(std::move(text)) {}
    QString name() const override { return name_; }
    QString text() const override { return text_; }
    int type() const override { return type_; }
    std::vector<notes::EmbeddedObjectPtr> embeddedObjects() const override { return {}; }

  private:
    QString name_;
    int type_;
    QString text_;
};

// "Body": rich text whose embedded objects are the message's attachments.
class ImapBodyItem : public notes::Item {
  public:
    explicit ImapBodyItem(std::shared_ptr<MessageContent> content) : content_(std::move(content)) {}
    QString name() const override { return QStringLiteral("Body"); }
    QString text() const override { return content_->message().body; }
    int type() const override { return notes::kRichText; }
    std::vector<notes::EmbeddedObjectPtr> embeddedObjects() const override;

  private:
    std::shared_ptr<MessageContent> content_;
};

class ImapAttachment : public notes::EmbeddedObject {
  public:
    ImapAttachment(std::shared_ptr<MessageContent> content, std::size_t index, QString name)
        : content_(std::move(content)), index_(index), name_(std::move(name)) {}
    int type() const override { return notes::kFileAttachment; }
    QString name() const override { return name_; }
    void extractFile(const QString& path) override;
    QByteArray sha256() const override;
    QByteArray bytes() const override { return content_->attachmentBytes(index_); }

  private:
    std::shared_ptr<MessageContent> content_;
    std::size_t index_;
    QString name_;
};

}  // namespace vantor::imap
