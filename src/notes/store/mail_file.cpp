#include "notes/store/mail_file.h"

#include <sqlite3.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstring>
#include <set>

#include "notes/store/blob_stream.h"
#include "notes/store/regular_file.h"
#include "notes/store/store_codes.h"
#include "notes/store/store_paths.h"

namespace vantor::store {

namespace {

const QString kFormat = QStringLiteral("vantor-mail-1");

const char* const kSchema = R"sql(
CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE acl(key TEXT PRIMARY KEY, name TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE views(id INTEGER PRIMARY KEY AUTOINCREMENT, key TEXT NOT NULL UNIQUE,
                   name TEXT NOT NULL, is_folder INTEGER NOT NULL);
CREATE TABLE documents(id INTEGER PRIMARY KEY AUTOINCREMENT, unid TEXT NOT NULL UNIQUE,
                       created INTEGER NOT NULL);
CREATE TABLE items(doc INTEGER NOT NULL, seq INTEGER NOT NULL, name TEXT NOT NULL,
                   type INTEGER NOT NULL, text TEXT NOT NULL, PRIMARY KEY(doc, seq)) WITHOUT ROWID;
CREATE TABLE attachments(id INTEGER PRIMARY KEY AUTOINCREMENT, doc INTEGER NOT NULL,
                         item_seq INTEGER NOT NULL, seq INTEGER NOT NULL, name TEXT NOT NULL,
                         type INTEGER NOT NULL, size INTEGER NOT NULL, data BLOB NOT NULL);
CREATE INDEX attachments_by_doc ON attachments(doc, item_seq, seq);
CREATE TABLE folder_entries(view INTEGER NOT NULL, doc INTEGER NOT NULL,
                            PRIMARY KEY(view, doc)) WITHOUT ROWID;
CREATE INDEX folder_entries_by_doc ON folder_entries(doc);
)sql";

// Every table and column the store reads: a file missing one is damaged.
struct TableColumns {
    const char* table;
    const char* columns;
};
const TableColumns kTables[] = {
    {"meta", "key, value"},
    {"acl", "key, name"},
    {"views", "id, key, name, is_folder"},
    {"documents", "id, unid, created"},
    {"items", "doc, seq, name, type, text"},
    {"attachments", "id, doc, item_seq, seq, name, type, size, data"},
    {"folder_entries", "view, doc"},
};

const QByteArray kSqliteMagic("SQLite format 3\0", 16);
const QStringList kJournals{QStringLiteral("-wal"), QStringLiteral("-shm"),
                            QStringLiteral("-journal")};

// Why the start of a database file shows it cannot be an SQLite database,
// or "" when it may be one (only bytes that never change are read, so a
// writer in another process cannot mislead it).
QString headerFault(const QByteArray& header, std::int64_t fileSize) {
    if (fileSize == 0) return QStringLiteral("le fichier est vide");
    if (header.size() < 100 || !header.startsWith(kSqliteMagic))
        return QStringLiteral("ce n'est pas une base SQLite");
    return QString();
}

// The first bytes of a database file, read through SQLite's own file layer,
// which keeps a descriptor open while the process holds locks on the file
// instead of closing it; "" when they cannot be read.
QByteArray readHeader(const QString& path) {
    sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    if (!vfs) return {};
    const QByteArray native = QFile::encodeName(path);
    auto* file = static_cast<sqlite3_file*>(sqlite3_malloc(vfs->szOsFile));
    if (!file) return {};
    std::memset(file, 0, static_cast<size_t>(vfs->szOsFile));
    QByteArray header;
    int flags = 0;
    if (vfs->xOpen(vfs, native.constData(), file, SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_DB,
                   &flags) == SQLITE_OK) {
        header.resize(100);
        if (file->pMethods->xRead(file, header.data(), 100, 0) != SQLITE_OK) header.clear();
    }
    if (file->pMethods) file->pMethods->xClose(file);
    sqlite3_free(file);
    return header;
}

// The file and its journals, looked at before SQLite opens them: SQLite
// would wait forever on a named pipe, and would take an empty or foreign
// file for a database of its own and change it. Only a stat and SQLite's own
// reads: the process may already hold the file open, locks and all.
void checkDatabaseFile(const QString& path, const Place& place) {
    qint64 size = 0;
    const FileCheck check = statRegularFile(path, &size);
    if (check == FileCheck::NotRegular) throw damagedDatabase(place, fileCheckText(check));
    if (check != FileCheck::Regular)
        throw Failure(code::kFileNotFound,
                      QStringLiteral("%1 est introuvable ou inaccessible.").arg(placeOf(place)));
    const QString fault = headerFault(size == 0 ? QByteArray() : readHeader(path), size);
    if (!fault.isEmpty()) throw damagedDatabase(place, fault);
    for (const QString& suffix : kJournals)
        if (statRegularFile(path + suffix) == FileCheck::NotRegular)
            throw damagedDatabase(place,
                                  QStringLiteral("son journal %1 n'est pas un fichier ordinaire")
                                      .arg(QFileInfo(path + suffix).fileName()));
}

bool hasControlCharacter(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return true;
    return false;
}

DocumentRow documentRow(const Query& q) {
    return DocumentRow{q.integer(0), q.text(1), q.integer(2)};
}

ViewRow viewRow(const Query& q) { return ViewRow{q.integer(0), q.text(1), q.integer(2) != 0}; }

}  // namespace

QString nameKey(const QString& name) { return name.toCaseFolded(); }

Failure documentRemoved(const Place& place, const QString& unid) {
    return Failure(code::kDocumentRemoved,
                   QStringLiteral("Le document %1 a été supprimé de la base « %2 » %3.")
                       .arg(unid, place.file, placeText(place.server)));
}

void checkFolderName(const QString& name) {
    auto refuse = [&](const QString& why) {
        return Failure(
            code::kBadFolderName,
            QStringLiteral("Le nom de dossier « %1 » n'est pas valide : %2.").arg(name, why));
    };
    if (name.isEmpty()) throw refuse(QStringLiteral("il est vide"));
    if (name.size() > 1024) throw refuse(QStringLiteral("il est trop long"));
    if (hasControlCharacter(name))
        throw refuse(QStringLiteral("il contient des caractères de contrôle"));
    for (QStringView level : QStringView(name).tokenize(QLatin1Char('\\')))
        if (level.trimmed().isEmpty()) throw refuse(QStringLiteral("un de ses niveaux est vide"));
}

std::shared_ptr<MailFile> MailFile::open(const QString& path, const Place& place) {
    checkDatabaseFile(path, place);
    std::shared_ptr<MailFile> file(new MailFile(Connection::open(path, place, false), path));
    // Nothing is written before the file is known to be a mail database.
    file->checkFormat();
    file->connection().useWriteAheadLog();
    return file;
}

std::shared_ptr<MailFile> MailFile::create(const QString& path, const Place& place, const QString& title,
                                           const QStringList& acl, const std::vector<NewView>& views) {
    std::shared_ptr<MailFile> file(new MailFile(Connection::open(path, place, true), path));
    Connection& c = file->connection();
    c.useWriteAheadLog();
    Transaction tx(c);
    c.exec(kSchema);
    Query(c, "INSERT INTO meta(key, value) VALUES('format', ?1)").bind(1, kFormat).run();
    Query(c, "INSERT INTO meta(key, value) VALUES('title', ?1)").bind(1, title).run();
    for (const QString& name : acl) file->grant(name);
    for (const NewView& view : views) {
        if (view.isFolder) {
            file->createFolder(view.name);
        } else {
            Query(c, "INSERT INTO views(key, name, is_folder) VALUES(?1, ?2, 0)")
                .bind(1, nameKey(view.name))
                .bind(2, view.name)
                .run();
        }
    }
    tx.commit();
    return file;
}

void MailFile::checkFormat() {
    // Views and triggers are none of ours, and one of them can run without
    // end inside a single read or change (a recursive query): refused.
    {
        Query q(*connection_, "SELECT name FROM sqlite_master WHERE type IN ('view', 'trigger')");
        if (q.step())
            throw damagedDatabase(place(), QStringLiteral("objet étranger « %1 »").arg(q.text(0)));
    }
    for (const TableColumns& t : kTables) {
        const QByteArray sql = QByteArray("SELECT ") + t.columns + " FROM " + t.table + " LIMIT 0";
        sqlite3_stmt* stmt = nullptr;
        const int rc =
            sqlite3_prepare_v2(connection_->handle(), sql.constData(), -1, &stmt, nullptr);
        sqlite3_finalize(stmt);
        if (rc == SQLITE_ERROR)
            throw damagedDatabase(
                place(),
                QStringLiteral("table « %1 » absente ou incomplète").arg(QLatin1String(t.table)));
        connection_->check(rc);
    }
    Query q(*connection_, "SELECT value FROM meta WHERE key = 'format'");
    if (!q.step() || q.text(0) != kFormat)
        throw damagedDatabase(place(), QStringLiteral("format inconnu"));
}

bool MailFile::allows(const QString& userName) {
    Query q(*connection_, "SELECT 1 FROM acl WHERE key = ?1");
    return q.bind(1, nameKey(userName)).step();
}

void MailFile::grant(const QString& userName) {
    Query(*connection_, "INSERT OR REPLACE INTO acl(key, name) VALUES(?1, ?2)")
        .bind(1, nameKey(userName))
        .bind(2, userName)
        .run();
}

QStringList MailFile::accessList() {
    QStringList names;
    Query q(*connection_, "SELECT name FROM acl ORDER BY key");
    while (q.step()) names << q.text(0);
    return names;
}

std::vector<ViewRow> MailFile::views() {
    std::vector<ViewRow> rows;
    Query q(*connection_, "SELECT id, name, is_folder FROM views ORDER BY id");
    while (q.step()) rows.push_back(viewRow(q));
    return rows;
}

std::optional<ViewRow> MailFile::findView(const QString& name) {
    Query q(*connection_, "SELECT id, name, is_folder FROM views WHERE key = ?1");
    if (!q.bind(1, nameKey(name)).step()) return std::nullopt;
    return viewRow(q);
}

ViewRow MailFile::createFolder(const QString& name) {
    checkFolderName(name);
    Transaction tx(*connection_);
    // Parents first, each keeping the spelling it already has.
    QString path;
    std::optional<ViewRow> row;
    for (const QString& level : name.split(QLatin1Char('\\'))) {
        path = path.isEmpty() ? level : path + QLatin1Char('\\') + level;
        row = findView(path);
        if (row) {
            path = row->name;
            continue;
        }
        Query(*connection_, "INSERT INTO views(key, name, is_folder) VALUES(?1, ?2, 1)")
            .bind(1, nameKey(path))
            .bind(2, path)
            .run();
        row = ViewRow{connection_->lastInsertId(), path, true};
    }
    tx.commit();
    return *row;
}

void MailFile::rowsInView(const ViewRow& view, std::int64_t afterId, int limit,
                          std::vector<DocumentRow>& rows) {
    rows.clear();
    const char* sql =
        view.isFolder
            ? "SELECT d.id, d.unid, d.created FROM folder_entries f "
              "JOIN documents d ON d.id = f.doc WHERE f.view = ?3 AND f.doc > ?1 ORDER BY f.doc LIMIT ?2"
            : "SELECT id, unid, created FROM documents WHERE id > ?1 ORDER BY id LIMIT ?2";
    Query q(*connection_, sql);
    q.bind(1, afterId).bind(2, limit);
    if (view.isFolder) q.bind(3, view.id);
    // Each row must move forward, or a walk over a damaged file never ends.
    std::int64_t last = afterId;
    while (q.step()) {
        DocumentRow row = documentRow(q);
        if (row.id <= last) throw damagedDatabase(place(), QStringLiteral("documents hors d'ordre"));
        last = row.id;
        rows.push_back(std::move(row));
    }
}

std::optional<DocumentRow> MailFile::documentByUnid(const QString& unid) {
    Query q(*connection_, "SELECT id, unid, created FROM documents WHERE unid = ?1");
    if (!q.bind(1, unid).step()) return std::nullopt;
    return documentRow(q);
}

std::int64_t MailFile::documentCount() {
    Query q(*connection_, "SELECT count(*) FROM documents");
    return q.step() ? q.integer(0) : 0;
}

std::optional<std::vector<ItemData>> MailFile::loadItems(std::int64_t documentId) {
    ReadSnapshot snapshot(*connection_);
    {
        Query exists(*connection_, "SELECT 1 FROM documents WHERE id = ?1");
        if (!exists.bind(1, documentId).step()) return std::nullopt;
    }
    std::vector<ItemData> items;
    {
        Query q(*connection_, "SELECT name, type, text FROM items WHERE doc = ?1 ORDER BY seq");
        q.bind(1, documentId);
        while (q.step()) items.push_back(ItemData{q.text(0), static_cast<int>(q.integer(1)), q.text(2), {}});
    }
    Query q(*connection_,
            "SELECT id, item_seq, name, type, size FROM attachments WHERE doc = ?1 ORDER BY item_seq, seq");
    q.bind(1, documentId);
    while (q.step()) {
        const std::int64_t itemSeq = q.integer(1);
        if (itemSeq < 0 || itemSeq >= static_cast<std::int64_t>(items.size())) continue;
        AttachmentData attachment{q.text(2), static_cast<int>(q.integer(3)), q.integer(4), {}};
        attachment.source.file = shared_from_this();
        attachment.source.rowId = q.integer(0);
        items[static_cast<size_t>(itemSeq)].attachments.push_back(std::move(attachment));
    }
    return items;
}

std::int64_t MailFile::saveDocument(std::int64_t id, const QString& unid, std::int64_t createdMs,
                                    std::vector<ItemData>& items) {
    Connection& c = *connection_;
    Transaction tx(c);
    const bool isNew = id == 0;
    if (!isNew) {
        Query stored(c, "SELECT 1 FROM documents WHERE id = ?1");
        if (!stored.bind(1, id).step()) throw documentRemoved(place(), unid);
    }
    {
        Query dup(c, "SELECT 1 FROM documents WHERE unid = ?1 AND id <> ?2");
        if (dup.bind(1, unid).bind(2, id).step())
            throw Failure(code::kDuplicateUniversalID,
                          QStringLiteral("Un document d'identifiant %1 existe déjà dans la base « %2 » %3.")
                              .arg(unid, place().file, placeText(place().server)));
    }
    if (!isNew) {
        Query(c, "UPDATE documents SET unid = ?2, created = ?3 WHERE id = ?1")
            .bind(1, id)
            .bind(2, unid)
            .bind(3, createdMs)
            .run();
    } else {
        Query(c, "INSERT INTO documents(unid, created) VALUES(?1, ?2)").bind(1, unid).bind(2, createdMs).run();
        id = c.lastInsertId();
    }

    // Attachments already stored with this document keep their rows. A new
    // document has none, nor items (row IDs are never reused).
    std::set<std::int64_t> kept;
    if (!isNew) {
        std::set<std::int64_t> stored;
        {
            Query q(c, "SELECT id FROM attachments WHERE doc = ?1");
            q.bind(1, id);
            while (q.step()) stored.insert(q.integer(0));
        }
        for (const ItemData& item : items)
            for (const AttachmentData& a : item.attachments)
                if (a.source.file.get() == this && stored.count(a.source.rowId))
                    kept.insert(a.source.rowId);
        for (std::int64_t row : stored)
            if (!kept.count(row))
                Query(c, "DELETE FROM attachments WHERE id = ?1").bind(1, row).run();
        Query(c, "DELETE FROM items WHERE doc = ?1").bind(1, id).run();
    }

    std::vector<std::pair<AttachmentData*, std::int64_t>> newRows;
    std::set<std::int64_t> placed;
    for (size_t i = 0; i < items.size(); ++i) {
        ItemData& item = items[i];
        Query(c, "INSERT INTO items(doc, seq, name, type, text) VALUES(?1, ?2, ?3, ?4, ?5)")
            .bind(1, id)
            .bind(2, static_cast<std::int64_t>(i))
            .bind(3, item.name)
            .bind(4, item.type)
            .bind(5, item.text)
            .run();
        for (size_t j = 0; j < item.attachments.size(); ++j) {
            AttachmentData& a = item.attachments[j];
            const bool reuse = a.source.file.get() == this && kept.count(a.source.rowId) &&
                               placed.insert(a.source.rowId).second;
            if (reuse) {
                Query(c, "UPDATE attachments SET item_seq = ?2, seq = ?3, name = ?4, type = ?5 WHERE id = ?1")
                    .bind(1, a.source.rowId)
                    .bind(2, static_cast<std::int64_t>(i))
                    .bind(3, static_cast<std::int64_t>(j))
                    .bind(4, a.name)
                    .bind(5, a.type)
                    .run();
            } else {
                newRows.emplace_back(&a, insertAttachment(id, static_cast<int>(i), static_cast<int>(j), a));
            }
        }
    }
    tx.commit();
    for (auto& [attachment, row] : newRows) {
        attachment->source = AttachmentSource{shared_from_this(), row, {}, {}};
    }
    return id;
}

std::int64_t MailFile::insertAttachment(std::int64_t documentId, int itemSeq, int seq, AttachmentData& a) {
    Connection& c = *connection_;
    const AttachmentSource& src = a.source;
    auto gone = [&] {
        return Failure(code::kAttachmentGone,
                       QStringLiteral("La pièce jointe « %1 » n'existe plus.").arg(a.name));
    };
    Query insert(c, "INSERT INTO attachments(doc, item_seq, seq, name, type, size, data) "
                    "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    insert.bind(1, documentId).bind(2, itemSeq).bind(3, seq).bind(4, a.name).bind(5, a.type);
    if (!src.file && src.path.isEmpty()) {
        a.size = src.bytes.size();
        insert.bind(6, a.size).bindBlob(7, src.bytes).run();
        return c.lastInsertId();
    }

    std::optional<Blob> source;
    QFile file;
    if (src.file) {
        source = Blob::open(src.file->connection(), src.rowId, false);
        if (!source) throw gone();
        a.size = source->size();
    } else {
        if (!openRegularForReading(file, src.path))
            throw Failure(code::kCannotReadFile,
                          QStringLiteral("Impossible de lire le fichier joint %1.").arg(src.path));
        a.size = file.size();
    }
    insert.bind(6, a.size).bindZeroBlob(7, a.size).run();
    const std::int64_t row = c.lastInsertId();
    std::optional<Blob> target = Blob::open(c, row, true);
    if (!target) throw gone();
    const bool complete = source ? copyBlob(*source, *target) : copyIntoBlob(file, *target, a.size);
    if (!complete)
        throw Failure(code::kCannotReadFile,
                      QStringLiteral("La pièce jointe « %1 » n'a pas pu être lue en entier.").arg(a.name));
    return row;
}

bool MailFile::removeDocument(std::int64_t id) {
    Connection& c = *connection_;
    Transaction tx(c);
    Query(c, "DELETE FROM documents WHERE id = ?1").bind(1, id).run();
    const bool existed = c.changes() > 0;
    Query(c, "DELETE FROM items WHERE doc = ?1").bind(1, id).run();
    Query(c, "DELETE FROM attachments WHERE doc = ?1").bind(1, id).run();
    Query(c, "DELETE FROM folder_entries WHERE doc = ?1").bind(1, id).run();
    tx.commit();
    return existed;
}

void MailFile::fileInFolder(std::int64_t documentId, const QString& folder, bool create) {
    checkFolderName(folder);
    Connection& c = *connection_;
    Transaction tx(c);
    std::optional<ViewRow> view = findView(folder);
    if (!view && !create)
        throw Failure(code::kFolderNotFound,
                      QStringLiteral("Le dossier « %1 » n'existe pas dans la base « %2 » %3.")
                          .arg(folder, place().file, placeText(place().server)));
    if (!view) view = createFolder(folder);
    if (!view->isFolder)
        throw Failure(code::kNotAFolder,
                      QStringLiteral("« %1 » est une vue, pas un dossier : on ne peut pas y classer de document.")
                          .arg(view->name));
    {
        Query exists(c, "SELECT 1 FROM documents WHERE id = ?1");
        if (!exists.bind(1, documentId).step())
            throw Failure(code::kDocumentNotSaved,
                          QStringLiteral("Le document n'existe plus dans la base « %1 » %2.")
                              .arg(place().file, placeText(place().server)));
    }
    Query(c, "INSERT OR IGNORE INTO folder_entries(view, doc) VALUES(?1, ?2)")
        .bind(1, view->id)
        .bind(2, documentId)
        .run();
    tx.commit();
}

void MailFile::removeFromFolder(std::int64_t documentId, const QString& folder) {
    const std::optional<ViewRow> view = findView(folder);
    if (!view || !view->isFolder) return;
    Query(*connection_, "DELETE FROM folder_entries WHERE view = ?1 AND doc = ?2")
        .bind(1, view->id)
        .bind(2, documentId)
        .run();
}

QStringList MailFile::foldersOf(std::int64_t documentId) {
    QStringList names;
    Query q(*connection_,
            "SELECT v.name FROM folder_entries f JOIN views v ON v.id = f.view WHERE f.doc = ?1 ORDER BY v.id");
    q.bind(1, documentId);
    while (q.step()) names << q.text(0);
    return names;
}

Failure MailFile::attachmentGone(const QString& name) const {
    return Failure(code::kAttachmentGone,
                   QStringLiteral("La pièce jointe « %1 » n'existe plus dans la base « %2 » %3.")
                       .arg(name, place().file, placeText(place().server)));
}

QByteArray MailFile::attachmentSha256(std::int64_t rowId, const QString& name) {
    std::optional<Blob> blob = Blob::open(*connection_, rowId, false);
    if (!blob) throw attachmentGone(name);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    readInChunks(*blob, [&](const char* data, int length) {
        hash.addData(QByteArrayView(data, length));
        return true;
    });
    return hash.result();
}

QByteArray MailFile::attachmentBytes(std::int64_t rowId, const QString& name) {
    std::optional<Blob> blob = Blob::open(*connection_, rowId, false);
    if (!blob) throw attachmentGone(name);
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(blob->size()));
    readInChunks(*blob, [&](const char* data, int length) {
        bytes.append(data, length);
        return true;
    });
    return bytes;
}

void MailFile::extractAttachment(std::int64_t rowId, const QString& name, const QString& target) {
    std::optional<Blob> blob = Blob::open(*connection_, rowId, false);
    if (!blob) throw attachmentGone(name);
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || !copyOutOfBlob(*blob, out) || !out.commit())
        throw Failure(code::kCannotWriteFile,
                      QStringLiteral("Impossible d'écrire la pièce jointe « %1 » dans le fichier %2.")
                          .arg(name, target));
}

}  // namespace vantor::store
