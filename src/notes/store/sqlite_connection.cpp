#include "notes/store/sqlite_connection.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>

#include "notes/store/store_codes.h"
#include "notes/store/store_paths.h"

namespace vantor::store {

std::unique_ptr<Connection> Connection::open(const QString& path, const Place& place, bool create) {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    std::unique_ptr<Connection> connection(new Connection(db, place));
    if (rc != SQLITE_OK) connection->fail(rc);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    return connection;
}

namespace {

// The WAL index as SQLite lays it out (sqlite.org/walformat.html): regions of
// 32 KB, the first starting with a 48-byte header whose first word is the
// format version and whose transaction counter, last frame and checksums
// change at every commit. Any other version and the stamp falls back to
// PRAGMA data_version.
constexpr int kWalIndexRegion = 32768;
constexpr std::uint32_t kWalIndexVersion = 3007000;
constexpr std::size_t kWalIndexHeaderWords = 12;

}  // namespace

void Connection::useWriteAheadLog() {
    // WAL lets the program walk a view while another process delivers.
    sqlite3_stmt* wal = nullptr;
    int rc = sqlite3_prepare_v2(db_, "PRAGMA journal_mode=WAL", -1, &wal, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(wal);
    const bool inWal =
        rc == SQLITE_ROW &&
        std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(wal, 0)), "wal") == 0;
    sqlite3_finalize(wal);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE && (rc & 0xFF) != SQLITE_READONLY) fail(rc);
    exec("PRAGMA synchronous=NORMAL");
    if (inWal) mapWalIndex();
}

void Connection::syncCommitted() {
    // Outside WAL mode the journal's own commit synced the database file.
    sqlite3_file* log = nullptr;
    if (!walIndex_ ||
        sqlite3_file_control(db_, "main", SQLITE_FCNTL_JOURNAL_POINTER, &log) != SQLITE_OK ||
        !log || !log->pMethods)
        return;
    check(log->pMethods->xSync(log, SQLITE_SYNC_NORMAL));
}

void Connection::mapWalIndex() {
    // A read, so that SQLite opens the WAL index and maps its first region.
    version();
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods || file->pMethods->iVersion < 2 || !file->pMethods->xShmMap)
        return;
    // Not extended: only the region SQLite has mapped already (it keeps it
    // until the connection closes, and no process can take the file out of
    // WAL mode while this connection has it open in WAL mode).
    volatile void* region = nullptr;
    if (file->pMethods->xShmMap(file, 0, kWalIndexRegion, 0, &region) != SQLITE_OK || !region)
        return;
    const auto* header = static_cast<const volatile std::uint32_t*>(region);
    if (header[0] == kWalIndexVersion) walIndex_ = header;
}

FileVersion Connection::version() {
    FileVersion v;
    v.own = sqlite3_total_changes64(db_);
    if (walIndex_) {
        for (std::size_t i = 0; i < kWalIndexHeaderWords; ++i) v.shared[i] = walIndex_[i];
        // What is read after this must not be older than the stamp.
        std::atomic_thread_fence(std::memory_order_acquire);
        return v;
    }
    sqlite3_stmt* stmt = prepared("PRAGMA data_version");
    const int rc = sqlite3_step(stmt);
    const std::int64_t others = rc == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : 0;
    sqlite3_reset(stmt);
    if (rc != SQLITE_ROW) fail(rc);
    std::memcpy(v.shared.data(), &others, sizeof others);
    return v;
}

Connection::~Connection() {
    for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
    if (db_) sqlite3_close(db_);
}

bool Connection::inTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

std::int64_t Connection::lastInsertId() const { return sqlite3_last_insert_rowid(db_); }

int Connection::changes() const { return sqlite3_changes(db_); }

void Connection::exec(const char* sql) {
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) fail(rc);
}

void Connection::run(const char* sql) {
    sqlite3_stmt* stmt = prepared(sql);
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE || rc == SQLITE_ROW) {
        sqlite3_reset(stmt);
        return;
    }
    // Described before the reset, which clears the message.
    const Failure failed = failure(rc);
    sqlite3_reset(stmt);
    throw failed;
}

sqlite3_stmt* Connection::prepared(const char* sql) {
    auto found = statements_.find(sql);
    if (found != statements_.end()) return found->second;
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) fail(rc);
    statements_.emplace(sql, stmt);
    return stmt;
}

QString placeOf(const Place& place) {
    return QStringLiteral("La base « %1 » %2").arg(place.file, placeText(place.server));
}

Failure damagedDatabase(const Place& place, const QString& why) {
    QString text =
        QStringLiteral("%1 est endommagée ou n'est pas une base de courrier").arg(placeOf(place));
    if (!why.isEmpty()) text += QStringLiteral(" (%1)").arg(why);
    return Failure(code::kDatabaseCorrupt, text + QLatin1Char('.'));
}

Failure Connection::failure(int rc) const {
    const QString where = placeOf(place_);
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Failure(code::kDatabaseBusy,
                       QStringLiteral("%1 est verrouillée par un autre programme depuis plus de %2 secondes.")
                           .arg(where)
                           .arg(kBusyTimeoutMs / 1000));
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
        return damagedDatabase(place_);
    case SQLITE_FULL:
        return Failure(code::kStorageError,
                       QStringLiteral("Le disque est plein : la base « %1 » %2 ne peut pas être modifiée.")
                           .arg(place_.file, placeText(place_.server)));
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return Failure(code::kStorageError, QStringLiteral("%1 est en lecture seule.").arg(where));
    case SQLITE_CANTOPEN:
        return Failure(code::kFileNotFound,
                       QStringLiteral("%1 est introuvable ou inaccessible.").arg(where));
    default:
        return Failure(code::kStorageError,
                       QStringLiteral("%1 ne peut pas être lue ou modifiée (%2).")
                           .arg(where, QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc))));
    }
}

void Connection::fail(int rc) const { throw failure(rc); }

void Connection::check(int rc) const {
    if (rc != SQLITE_OK) fail(rc);
}

Query::Query(Connection& connection, const char* sql)
    : connection_(connection), stmt_(connection.prepared(sql)) {}

Query::~Query() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

Query& Query::bind(int index, std::int64_t value) {
    connection_.check(sqlite3_bind_int64(stmt_, index, value));
    return *this;
}

Query& Query::bind(int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    connection_.check(sqlite3_bind_text(stmt_, index, utf8.constData(), static_cast<int>(utf8.size()),
                                        SQLITE_TRANSIENT));
    return *this;
}

Query& Query::bindBlob(int index, const QByteArray& bytes) {
    connection_.check(sqlite3_bind_blob64(stmt_, index, bytes.constData(),
                                          static_cast<sqlite3_uint64>(bytes.size()), SQLITE_STATIC));
    return *this;
}

Query& Query::bindZeroBlob(int index, std::int64_t size) {
    connection_.check(sqlite3_bind_zeroblob64(stmt_, index, static_cast<sqlite3_uint64>(size)));
    return *this;
}

bool Query::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    // The error is read before the reset in the destructor clears it.
    connection_.fail(rc);
}

void Query::run() {
    while (step()) {
    }
}

std::int64_t Query::integer(int column) const { return sqlite3_column_int64(stmt_, column); }

QString Query::text(int column) const {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(stmt_, column));
}

bool Query::isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

Transaction::Transaction(Connection& connection)
    : connection_(connection), nested_(connection.inTransaction()) {
    connection_.run(nested_ ? "SAVEPOINT change" : "BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (done_) return;
    if (nested_) {
        sqlite3_exec(connection_.handle(), "ROLLBACK TO change; RELEASE change", nullptr, nullptr, nullptr);
    } else {
        sqlite3_exec(connection_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit() {
    connection_.run(nested_ ? "RELEASE change" : "COMMIT");
    done_ = true;
}

ReadSnapshot::ReadSnapshot(Connection& connection)
    : connection_(connection), owned_(!connection.inTransaction()) {
    if (owned_) connection_.run("BEGIN DEFERRED");
}

ReadSnapshot::~ReadSnapshot() {
    if (!owned_) return;
    sqlite3_stmt* commit = connection_.prepared("COMMIT");
    sqlite3_step(commit);
    sqlite3_reset(commit);
}

}  // namespace vantor::store
