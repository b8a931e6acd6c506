#include "notes/store/local_document.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <set>

#include "notes/store/blob_stream.h"
#include "notes/store/regular_file.h"
#include "notes/store/store_codes.h"
#include "notes/store/store_paths.h"

namespace vantor::store {

namespace {

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

Failure cannotWrite(const QString& name, const QString& path) {
    return Failure(code::kCannotWriteFile,
                   QStringLiteral("Impossible d'écrire la pièce jointe « %1 » dans le fichier %2.").arg(name, path));
}

}  // namespace

bool isUniversalID(const QString& text) {
    if (text.size() != 32) return false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool hex =
            (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F') || (u >= u'a' && u <= u'f');
        if (!hex) return false;
    }
    return true;
}

QString newUniversalID() {
    static constexpr char kHex[] = "0123456789ABCDEF";
    QRandomGenerator* random = QRandomGenerator::global();
    char digits[32];
    for (int half = 0; half < 2; ++half) {
        quint64 value = random->generate64();
        for (int i = 15; i >= 0; --i, value >>= 4) digits[half * 16 + i] = kHex[value & 0xF];
    }
    return QString::fromLatin1(digits, sizeof digits);
}

void LocalEmbeddedObject::extractFile(const QString& path) {
    const AttachmentSource& src = data_.source;
    if (src.file) {
        src.file->extractAttachment(src.rowId, data_.name, path);
        return;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) throw cannotWrite(data_.name, path);
    if (src.path.isEmpty()) {
        if (out.write(src.bytes) != src.bytes.size()) throw cannotWrite(data_.name, path);
    } else {
        QFile in;
        if (!openRegularForReading(in, src.path))
            throw Failure(code::kCannotReadFile,
                          QStringLiteral("Impossible de lire le fichier joint %1.").arg(src.path));
        QByteArray chunk;
        while (!(chunk = in.read(kChunkBytes)).isEmpty())
            if (out.write(chunk) != chunk.size()) throw cannotWrite(data_.name, path);
    }
    if (!out.commit()) throw cannotWrite(data_.name, path);
}

QByteArray LocalEmbeddedObject::sha256() const {
    const AttachmentSource& src = data_.source;
    if (src.file) return src.file->attachmentSha256(src.rowId, data_.name);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (src.path.isEmpty()) {
        hash.addData(src.bytes);
        return hash.result();
    }
    QFile in;
    if (!openRegularForReading(in, src.path) || !hash.addData(&in))
        throw Failure(code::kCannotReadFile, QStringLiteral("Impossible de lire le fichier joint %1.").arg(src.path));
    return hash.result();
}

QByteArray LocalEmbeddedObject::bytes() const {
    const AttachmentSource& src = data_.source;
    if (src.file) return src.file->attachmentBytes(src.rowId, data_.name);
    if (src.path.isEmpty()) return src.bytes;
    QFile in;
    if (!openRegularForReading(in, src.path))
        throw Failure(code::kCannotReadFile,
                      QStringLiteral("Impossible de lire le fichier joint %1.").arg(src.path));
    return in.readAll();
}

std::vector<notes::EmbeddedObjectPtr> LocalItem::embeddedObjects() const {
    std::vector<notes::EmbeddedObjectPtr> objects;
    if (data_.type != notes::kRichText) return objects;
    for (const AttachmentData& a : data_.attachments) objects.push_back(std::make_shared<LocalEmbeddedObject>(a));
    return objects;
}

LocalDocument::LocalDocument(std::shared_ptr<MailFile> file, const DocumentRow& row)
    : file_(std::move(file)), id_(row.id), unid_(row.unid), createdMs_(row.createdMs) {}

LocalDocument::LocalDocument(std::shared_ptr<MailFile> file, QString unid, std::int64_t createdMs)
    : file_(std::move(file)), unid_(std::move(unid)), createdMs_(createdMs), items_(std::vector<ItemData>{}) {}

std::shared_ptr<LocalDocument> LocalDocument::createNew(std::shared_ptr<MailFile> file) {
    return std::shared_ptr<LocalDocument>(
        new LocalDocument(std::move(file), newUniversalID(), QDateTime::currentMSecsSinceEpoch()));
}

QDateTime LocalDocument::created() const { return QDateTime::fromMSecsSinceEpoch(createdMs_); }

void LocalDocument::setUniversalID(const QString& unid) {
    if (!isUniversalID(unid))
        throw Failure(code::kBadUniversalID,
                      QStringLiteral("« %1 » n'est pas un identifiant universel (32 chiffres hexadécimaux).")
                          .arg(unid.left(64)));
    unid_ = unid.toUpper();
}

std::vector<ItemData>& LocalDocument::loaded() const {
    // A document removed through this handle reads as gone even when its
    // items were read before, as a save of it would fail.
    if (removed_) throw documentRemoved(file_->place(), unid_);
    if (!items_) {
        if (id_ == 0) return items_.emplace();
        items_ = file_->loadItems(id_);
        if (!items_) throw documentRemoved(file_->place(), unid_);
    }
    return *items_;
}

const ItemData* LocalDocument::firstItem(const QString& name) const {
    for (const ItemData& item : loaded())
        if (sameName(item.name, name)) return &item;
    return nullptr;
}

std::vector<notes::ItemPtr> LocalDocument::items() const {
    std::vector<notes::ItemPtr> result;
    for (const ItemData& item : loaded()) result.push_back(std::make_shared<LocalItem>(item));
    return result;
}

bool LocalDocument::hasItem(const QString& name) const { return firstItem(name) != nullptr; }

notes::ItemPtr LocalDocument::getFirstItem(const QString& name) const {
    const ItemData* item = firstItem(name);
    return item ? std::make_shared<LocalItem>(*item) : nullptr;
}

QString LocalDocument::itemValue(const QString& name) const {
    const ItemData* item = firstItem(name);
    return item ? item->text : QString();
}

void LocalDocument::replaceItemValue(const QString& name, const QString& value) {
    std::vector<ItemData>& items = loaded();
    bool replaced = false;
    for (auto it = items.begin(); it != items.end();) {
        if (!sameName(it->name, name)) {
            ++it;
        } else if (!replaced) {
            *it = ItemData{it->name, notes::kText, value, {}};
            replaced = true;
            ++it;
        } else {
            it = items.erase(it);  // one item of that name remains, as after a real replace
        }
    }
    if (!replaced) items.push_back(ItemData{name, notes::kText, value, {}});
}

void LocalDocument::appendItemCopy(const notes::Item& item) {
    if (const auto* ours = dynamic_cast<const LocalItem*>(&item)) {
        loaded().push_back(ours->data());
        return;
    }
    ItemData copy{item.name(), item.type(), item.text(), {}};
    for (const notes::EmbeddedObjectPtr& object : item.embeddedObjects()) {
        AttachmentData a{object->name(), object->type(), 0, {}};
        a.source.bytes = object->bytes();
        a.size = a.source.bytes.size();
        copy.attachments.push_back(std::move(a));
    }
    loaded().push_back(std::move(copy));
}

void LocalDocument::copyAllItems(notes::Document& target, bool replace) {
    auto* other = dynamic_cast<LocalDocument*>(&target);
    if (!other) {
        notes::Document::copyAllItems(target, replace);
        return;
    }
    const std::vector<ItemData> source = loaded();
    std::vector<ItemData>& destination = other->loaded();
    if (replace) {
        std::set<QString> names;
        for (const ItemData& item : source) names.insert(item.name.toCaseFolded());
        std::erase_if(destination, [&](const ItemData& item) { return names.count(item.name.toCaseFolded()) > 0; });
    }
    destination.insert(destination.end(), source.begin(), source.end());
}

bool LocalDocument::save(bool, bool, bool) {
    id_ = file_->saveDocument(id_, unid_, createdMs_, loaded());
    return true;
}

bool LocalDocument::remove(bool) {
    if (!isStored()) return false;
    const bool existed = file_->removeDocument(id_);
    removed_ = true;  // the row ID stays, so that a walk can go on from here
    return existed;
}

void LocalDocument::requireStored(const QString& action) const {
    if (!isStored())
        throw Failure(code::kDocumentNotSaved,
                      QStringLiteral("Le document doit être enregistré avant d'être %1.").arg(action));
}

void LocalDocument::putInFolder(const QString& folder, bool createOnFail) {
    requireStored(QStringLiteral("classé dans un dossier"));
    file_->fileInFolder(id_, folder, createOnFail);
}

void LocalDocument::removeFromFolder(const QString& folder) {
    if (isStored()) file_->removeFromFolder(id_, folder);
}

void LocalDocument::setCreated(const QDateTime& created) {
    if (created.isValid()) createdMs_ = created.toMSecsSinceEpoch();
}

void LocalDocument::appendItem(const QString& name, int type, const QString& text) {
    loaded().push_back(ItemData{name, type, text, {}});
}

ItemData& LocalDocument::richTextItem(const QString& name) {
    for (ItemData& item : loaded())
        if (sameName(item.name, name) && item.type == notes::kRichText) return item;
    loaded().push_back(ItemData{name, notes::kRichText, QString(), {}});
    return loaded().back();
}

void LocalDocument::attachFile(const QString& itemName, const QString& attachmentName, const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        throw Failure(code::kCannotReadFile, QStringLiteral("Impossible de lire le fichier joint %1.").arg(path));
    AttachmentData a{attachmentName, notes::kFileAttachment, info.size(), {}};
    a.source.path = info.absoluteFilePath();
    richTextItem(itemName).attachments.push_back(std::move(a));
}

void LocalDocument::attachBytes(const QString& itemName, const QString& attachmentName, const QByteArray& bytes) {
    AttachmentData a{attachmentName, notes::kFileAttachment, bytes.size(), {}};
    a.source.bytes = bytes;
    richTextItem(itemName).attachments.push_back(std::move(a));
}

QStringList LocalDocument::folders() const { return isStored() ? file_->foldersOf(id_) : QStringList(); }

}  // namespace vantor::store
