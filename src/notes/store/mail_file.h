#pragma once
// A mail database file: its schema, its views and folders, its access list
// and the rows of its documents. Shared by every object handed out for it, so
// that documents and items outlive the view or database that gave them.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "notes/store/sqlite_connection.h"

namespace vantor::store {

class MailFile;

struct DocumentRow {
    std::int64_t id = 0;
    QString unid;
    std::int64_t createdMs = 0;
};

struct ViewRow {
    std::int64_t id = 0;
    QString name;
    bool isFolder = false;
};

// Where the bytes of an attachment are until (and after) it is saved.
struct AttachmentSource {
    std::shared_ptr<MailFile> file;  // stored in a database, row `rowId`
    std::int64_t rowId = 0;
    QString path;                    // or a file on disk
    QByteArray bytes;                // or in memory
};

struct AttachmentData {
    QString name;
    int type = 0;
    std::int64_t size = 0;
    AttachmentSource source;
};

struct ItemData {
    QString name;
    int type = 0;
    QString text;
    std::vector<AttachmentData> attachments;
};

// A view of a new database: its name and whether it is a folder.
struct NewView {
    QString name;
    bool isFolder = true;
};

class MailFile : public std::enable_shared_from_this<MailFile> {
public:
    // Opens an existing mail database; throws kDatabaseCorrupt when the file
    // is not one, kDatabaseBusy when it stays locked.
    static std::shared_ptr<MailFile> open(const QString& path, const Place& place);
    // Creates a new file with its views and access list.
    static std::shared_ptr<MailFile> create(const QString& path, const Place& place, const QString& title,
                                            const QStringList& acl, const std::vector<NewView>& views);

    Connection& connection() { return *connection_; }
    const Place& place() const { return connection_->place(); }
    QString path() const { return path_; }

    // Access list: names compared without regard to case.
    bool allows(const QString& userName);
    void grant(const QString& userName);
    QStringList accessList();

    std::vector<ViewRow> views();
    std::optional<ViewRow> findView(const QString& name);
    // Creates the folder and its missing parents ("A" for "A\B"); returns it.
    ViewRow createFolder(const QString& name);

    // View order is creation order; every non-folder view lists every document.
    // Up to `limit` rows of the view after the row ID `afterId`, in order.
    void rowsInView(const ViewRow& view, std::int64_t afterId, int limit,
                    std::vector<DocumentRow>& rows);
    std::optional<DocumentRow> documentByUnid(const QString& unid);
    std::int64_t documentCount();

    // Items in order; nullopt when the document no longer exists.
    std::optional<std::vector<ItemData>> loadItems(std::int64_t documentId);
    // Inserts (id 0) or replaces the document with all its items in one
    // transaction; returns its id and points stored attachments at their rows.
    // Throws kDocumentRemoved when document `id` is gone: never re-created.
    std::int64_t saveDocument(std::int64_t id, const QString& unid, std::int64_t createdMs,
                              std::vector<ItemData>& items);
    // Deletes the document and takes it out of every folder; false if gone.
    bool removeDocument(std::int64_t id);

    void fileInFolder(std::int64_t documentId, const QString& folder, bool create);
    void removeFromFolder(std::int64_t documentId, const QString& folder);
    QStringList foldersOf(std::int64_t documentId);

    // Writes an attachment's bytes to `target`, replacing it.
    void extractAttachment(std::int64_t rowId, const QString& name, const QString& target);
    // SHA-256 of an attachment's bytes, streamed in chunks.
    QByteArray attachmentSha256(std::int64_t rowId, const QString& name);
    // An attachment's bytes, whole.
    QByteArray attachmentBytes(std::int64_t rowId, const QString& name);

  private:
    MailFile(std::unique_ptr<Connection> connection, QString path)
        : connection_(std::move(connection)), path_(std::move(path)) {}
    void checkFormat();
    std::int64_t insertAttachment(std::int64_t documentId, int itemSeq, int seq, AttachmentData& attachment);
    Failure attachmentGone(const QString& name) const;

    std::unique_ptr<Connection> connection_;
    QString path_;
};

// kDocumentRemoved for the document `unid` of `place`.
Failure documentRemoved(const Place& place, const QString& unid);

// The key a name is looked up by: case-folded, so that "Projets" and
// "PROJETS" are one folder (beyond ASCII as well).
QString nameKey(const QString& name);

// Throws kBadFolderName for an empty name or one with an empty level.
void checkFolderName(const QString& name);

}  // namespace vantor::store
