#pragma once
// The boundary to the mail system: sessions, databases, views and folders,
// documents, items, attachments and the client's user interface. The rest of
// the program talks only to these interfaces. Every operation may throw
// vantor::Failure (a code and a description); callers trap it.
//
// Objects are shared handles: a document or an item stays usable after the
// view or database that handed it out is released, as long as its database
// file exists.
//
// Two realisations stand behind it: the local store, and mail servers, where
// a folder holds copies of a message rather than references to one. The
// contracts below say where the two differ.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "platform/failure.h"

namespace vantor::notes {

// Item types.
inline constexpr int kRichText = 1;
inline constexpr int kText = 1280;
// Embedded object types.
inline constexpr int kFileAttachment = 1454;

class EmbeddedObject {
public:
    virtual ~EmbeddedObject() = default;
    virtual int type() const = 0;
    // The name the sender gave, as stored: untrusted. It may hold "..", "/",
    // "\", a drive ("C:"), NUL and control characters, a device name or
    // thousands of characters; callers never use it as a path (see
    // actions/extraction_pj.h).
    virtual QString name() const = 0;
    // Writes the object's bytes to exactly `path`, replacing an existing file.
    virtual void extractFile(const QString& path) = 0;
    // SHA-256 of the object's bytes, read where they are kept: nothing is written.
    virtual QByteArray sha256() const = 0;
    // The object's bytes, whole, read where they are kept.
    virtual QByteArray bytes() const = 0;
};
using EmbeddedObjectPtr = std::shared_ptr<EmbeddedObject>;

class Item {
public:
    virtual ~Item() = default;
    virtual QString name() const = 0;
    virtual QString text() const = 0;
    virtual int type() const = 0;
    // Attachments of a rich-text item, in order; empty for other items.
    virtual std::vector<EmbeddedObjectPtr> embeddedObjects() const = 0;
};
using ItemPtr = std::shared_ptr<Item>;

class Document;
using DocumentPtr = std::shared_ptr<Document>;

class Document {
public:
    virtual ~Document() = default;
    // The creation date-time, in local time.
    virtual QDateTime created() const = 0;
    // The same instant in whole seconds since the epoch, as
    // created().toSecsSinceEpoch() gives it; realisations answer it without
    // building a local date-time.
    virtual qint64 createdSecsSinceEpoch() const { return created().toSecsSinceEpoch(); }
    // The creation date-time the document keeps; takes effect at save.
    virtual void setCreated(const QDateTime& when) = 0;
    // When this program takes the document to have arrived, in seconds since
    // the epoch: what the watch compares with its last visit. A server's
    // realisation marks it when it first sees the message, not by its clock.
    virtual qint64 arrivalSecsSinceEpoch() const { return createdSecsSinceEpoch(); }
    // Copies (a message filed in two folders of a server) share it; a
    // database's getDocumentByUNID then gives one of them.
    virtual QString universalID() const = 0;
    // 32 hexadecimal digits, unique in the database; takes effect at save.
    virtual void setUniversalID(const QString& unid) = 0;

    virtual std::vector<ItemPtr> items() const = 0;
    virtual bool hasItem(const QString& name) const = 0;
    // The first item of that name (without regard to case), or null.
    virtual ItemPtr getFirstItem(const QString& name) const = 0;
    // The text of the first item of that name, "" when there is none.
    virtual QString itemValue(const QString& name) const = 0;
    // Replaces (or creates) the item as text; kept in memory until save.
    virtual void replaceItemValue(const QString& name, const QString& value) = 0;
    // Whether the user sent it, `userName` being the session's userName(): by
    // default the first "From" item (any case) reads exactly `userName`.
    virtual bool sentByUser(const QString& userName) const {
        return itemValue(QStringLiteral("From")) == userName;
    }
    // Appends a copy of `item`, from any realisation (name, type, text, and
    // the attachments with their bytes); kept in memory until save.
    virtual void appendItemCopy(const Item& item) = 0;
    // Copies every item, attachments included, into `target` (unsaved); with
    // `replace`, the target's items of those names go first. By default
    // through target.appendItemCopy, which cannot replace: refused then.
    virtual void copyAllItems(Document& target, bool replace) {
        constexpr std::int32_t kInvalidCall = 5;  // the run-time's code for a call refused
        if (replace)
            throw Failure(kInvalidCall,
                          QStringLiteral("Copie impossible : les éléments d'un document ne peuvent "
                                         "remplacer ceux d'un document d'une autre messagerie."));
        for (const ItemPtr& item : items()) target.appendItemCopy(*item);
    }

    virtual bool save(bool force, bool createResponse, bool markRead = true) = 0;
    virtual bool remove(bool force) = 0;
    // The popup's delete: out of the mailbox (into a server's Trash); by
    // default remove(true). False when the document was already gone.
    virtual bool trash() { return remove(true); }
    // Files the document in the folder, creating it (and for "A\B" nesting)
    // when missing and allowed.
    virtual void putInFolder(const QString& folder, bool createOnFail = true) = 0;
    // Takes the document out of the folder. On a server, only a copy that
    // putInFolder made leaves it: a message filed there by hand, maybe the
    // only copy, stays.
    virtual void removeFromFolder(const QString& folder) = 0;
    // The popup's move: into `folder` and out of `from`; by default
    // putInFolder(folder) then removeFromFolder(from).
    virtual void moveToFolder(const QString& folder, const QString& from) {
        putInFolder(folder);
        removeFromFolder(from);
    }
};

class View {
public:
    virtual ~View() = default;
    virtual QString name() const = 0;
    virtual bool isFolder() const = 0;
    virtual void refresh() = 0;
    // In view order; null after the last. A removal shows at once.
    virtual DocumentPtr getFirstDocument() = 0;
    virtual DocumentPtr getNextDocument(const Document& current) = 0;
    // A hint kept for the view's life: the walk may leave out documents whose
    // arrival (arrivalSecsSinceEpoch) is not after `secs`. By default none is.
    virtual void restrictToArrivalsSince([[maybe_unused]] qint64 secs) {}
};
using ViewPtr = std::shared_ptr<View>;

// Changes made through one database (and the documents it handed out)
// written as a whole by commit(), dropped when the batch goes without it.
// Batches nest. A realisation without transactions writes every change at
// once: its batches neither group nor drop anything.
class WriteBatch {
public:
    virtual ~WriteBatch() = default;
    virtual void commit() {}
};
using WriteBatchPtr = std::unique_ptr<WriteBatch>;

class Database {
public:
    virtual ~Database() = default;
    virtual QString server() const = 0;
    virtual QString filePath() const = 0;
    virtual bool isOpen() const = 0;
    // Points this object at the session user's own mail database and opens it.
    virtual void openMail() = 0;
    // The view or folder of that name (without regard to case), or null.
    virtual ViewPtr getView(const QString& name) = 0;
    virtual std::vector<ViewPtr> views() = 0;
    // Null for an unknown ID; where copies share it, the copy outside the
    // folder "Recherche" first.
    virtual DocumentPtr getDocumentByUNID(const QString& unid) = 0;
    // These IDs are about to be looked up, each once: a realisation may fetch
    // them together, for those look-ups until the next commit. A hint only.
    virtual void expectLookups([[maybe_unused]] const QStringList& unids) {}
    virtual DocumentPtr createDocument() = 0;
    // The documents that may hold `phrase` in their subject or body (the
    // caller tests each one), or null; by default getView("($All)").
    virtual ViewPtr searchCandidates([[maybe_unused]] const QString& phrase) {
        return getView(QStringLiteral("($All)"));
    }
    // Starts grouping this database's changes until the batch's commit().
    virtual WriteBatchPtr beginWriteBatch() { return std::make_unique<WriteBatch>(); }
};
using DatabasePtr = std::shared_ptr<Database>;

class DbDirectory {
public:
    virtual ~DbDirectory() = default;
    virtual DatabasePtr openDatabase(const QString& file, bool failover) = 0;
};
using DbDirectoryPtr = std::shared_ptr<DbDirectory>;

class Session {
public:
    virtual ~Session() = default;
    // Opens the back-end session with the user's password.
    virtual void initialize(const QString& password) = 0;
    virtual DbDirectoryPtr getDbDirectory(const QString& server) = 0;
    // A database object; not open when the file cannot be opened.
    virtual DatabasePtr getDatabase(const QString& server, const QString& file) = 0;
    // Full name of the user, as the "From" item shows it.
    virtual QString userName() = 0;
};
using SessionPtr = std::unique_ptr<Session>;

class UIWorkspace {
public:
    virtual ~UIWorkspace() = default;
    virtual void editDocument(bool editMode, const DocumentPtr& document) = 0;
    virtual void openDatabase(const QString& server, const QString& file, const QString& view,
                              const QString& key, bool newInstance) = 0;
};
using UIWorkspacePtr = std::unique_ptr<UIWorkspace>;

// Creates the automation objects. Each operation creates its own and releases
// them at its end; the client must outlive them all. Its connections to
// servers, if any, outlive the sessions.
class Client {
public:
    virtual ~Client() = default;
    // The session class created directly; opened with initialize(password).
    virtual SessionPtr createBackendSession() = 0;
    // "Notes.NotesSession": the user logged into the running client.
    virtual SessionPtr createClientSession() = 0;
    // "Notes.NotesUIWorkspace".
    virtual UIWorkspacePtr createUIWorkspace() = 0;
    // The title of the mail client's window that shows `server`'s mail, to
    // bring forward after a reply or a search; "" when nothing is to be
    // brought forward (the desktop's own programs come forward by themselves).
    virtual QString clientWindowTitle([[maybe_unused]] const QString& server) {
        return QStringLiteral("Lotus Notes");
    }
    // `listener` is called on the window thread when new mail may be waiting
    // in a watched mailbox, sooner than the next scan; by default never.
    virtual void setNewMailListener([[maybe_unused]] std::function<void()> listener) {}
};

// Codes of the failures the realisations raise.
namespace code {
inline constexpr std::int32_t kWrongPassword = static_cast<std::int32_t>(0x80040FA0);
// Reading or saving a document that was removed meanwhile (by another handle,
// another session or another program).
inline constexpr std::int32_t kDocumentRemoved = static_cast<std::int32_t>(0x8004102A);
// A mail server that cannot be reached now: the watch skips that mailbox and
// tries again at its next scan.
inline constexpr std::int32_t kServerUnavailable = static_cast<std::int32_t>(0x80043100);
}  // namespace code

}  // namespace vantor::notes
