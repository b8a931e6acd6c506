#include "notes/store/sqlite_connection.h"

#include <sqlite3.h>

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

void Connection::useWriteAheadLog() {
    // WAL lets the program walk a view while another process delivers.
    const int walRc = sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if (walRc != SQLITE_OK && (walRc & 0xFF) != SQLITE_READONLY) fail(walRc);
    exec("PRAGMA synchronous=NORMAL");
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
    // Prepared once per connection: a change of a few rows costs no parsing.
    Query(connection_, nested_ ? "SAVEPOINT change" : "BEGIN IMMEDIATE").run();
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
    Query(connection_, nested_ ? "RELEASE change" : "COMMIT").run();
    done_ = true;
}

ReadSnapshot::ReadSnapshot(Connection& connection)
    : connection_(connection), owned_(!connection.inTransaction()) {
    if (owned_) Query(connection_, "BEGIN DEFERRED").run();
}

ReadSnapshot::~ReadSnapshot() {
    if (!owned_) return;
    try {
        Query(connection_, "COMMIT").run();
    } catch (const Failure&) {
        // Ending a read changes nothing; SQLite ends it with the connection.
    }
}

}  // namespace vantor::store
