#pragma once
// Documents, items and attachments of the local store. A stored document is
// read lazily: walking a view costs one row (ID and creation time); its items
// are read, all at once, on first use.
#include <QDateTime>
#include <QStringList>
#include <memory>
#include <optional>

#include "notes/notes.h"
#include "notes/store/mail_file.h"

namespace vantor::store {

// Date-time items, as a mail router writes "PostedDate" and "DeliveredDate".
inline constexpr int kDateTimeItem = 1024;

class LocalEmbeddedObject : public notes::EmbeddedObject {
public:
    explicit LocalEmbeddedObject(AttachmentData data) : data_(std::move(data)) {}
    int type() const override { return data_.type; }
    QString name() const override { return data_.name; }
    std::int64_t size() const { return data_.size; }
    void extractFile(const QString& path) override;
    QByteArray sha256() const override;
    QByteArray bytes() const override;

  private:
    AttachmentData data_;
};

// A copy of one item as it was when asked for.
class LocalItem : public notes::Item {
public:
    explicit LocalItem(ItemData data) : data_(std::move(data)) {}
    QString name() const override { return data_.name; }
    QString text() const override { return data_.text; }
    int type() const override { return data_.type; }
    std::vector<notes::EmbeddedObjectPtr> embeddedObjects() const override;
    const ItemData& data() const { return data_; }

  private:
    ItemData data_;
};

class LocalDocument : public notes::Document {
public:
    // A stored document.
    LocalDocument(std::shared_ptr<MailFile> file, const DocumentRow& row);
    // A new document, unsaved, with a random universal ID.
    static std::shared_ptr<LocalDocument> createNew(std::shared_ptr<MailFile> file);

    QDateTime created() const override;
    qint64 createdSecsSinceEpoch() const override { return createdMs_ / 1000; }
    // An invalid date-time changes nothing.
    void setCreated(const QDateTime& created) override;
    QString universalID() const override { return unid_; }
    void setUniversalID(const QString& unid) override;

    std::vector<notes::ItemPtr> items() const override;
    bool hasItem(const QString& name) const override;
    notes::ItemPtr getFirstItem(const QString& name) const override;
    QString itemValue(const QString& name) const override;
    void replaceItemValue(const QString& name, const QString& value) override;
    // An item of the store keeps where its attachments' bytes are (copied
    // at save, in chunks); another realisation's attachments are read whole.
    void appendItemCopy(const notes::Item& item) override;
    // Between two documents of the store, the items as they are; into another
    // realisation's document, through its appendItemCopy.
    void copyAllItems(notes::Document& target, bool replace) override;

    // Last writer wins: `force` and the response and read marks change nothing.
    // A removed document is never re-created: saving it throws
    // kDocumentRemoved, and so does reading it, except items this handle
    // had read before another handle removed it.
    bool save(bool force, bool createResponse, bool markRead = true) override;
    // False for a document never saved or already gone.
    bool remove(bool force) override;
    void putInFolder(const QString& folder, bool createOnFail = true) override;
    void removeFromFolder(const QString& folder) override;

    // What the mail router and the tool need beyond the client's interface.
    void appendItem(const QString& name, int type, const QString& text);
    // Adds a file attachment to the rich-text item `itemName` (created when
    // missing); the bytes are read from `path` when the document is saved.
    void attachFile(const QString& itemName, const QString& attachmentName, const QString& path);
    void attachBytes(const QString& itemName, const QString& attachmentName, const QByteArray& bytes);
    // The folders the stored document is filed in.
    QStringList folders() const;

    std::int64_t rowId() const { return id_; }
    bool isStored() const { return id_ != 0 && !removed_; }
    const std::shared_ptr<MailFile>& file() const { return file_; }

private:
    LocalDocument(std::shared_ptr<MailFile> file, QString unid, std::int64_t createdMs);
    std::vector<ItemData>& loaded() const;
    const ItemData* firstItem(const QString& name) const;
    ItemData& richTextItem(const QString& name);
    void requireStored(const QString& action) const;

    std::shared_ptr<MailFile> file_;
    std::int64_t id_ = 0;
    bool removed_ = false;
    QString unid_;
    std::int64_t createdMs_ = 0;
    mutable std::optional<std::vector<ItemData>> items_;
};

// True for 32 ASCII hexadecimal digits, 0-9 and A-F in either case (IDs are
// stored and compared upper-cased).
bool isUniversalID(const QString& text);
QString newUniversalID();

}  // namespace vantor::store
