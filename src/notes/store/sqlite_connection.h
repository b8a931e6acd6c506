#pragma once
// One SQLite connection to a mail database file, with its prepared
// statements cached, and every SQLite error turned into a vantor::Failure
// that names the database and its server.
#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <map>
#include <memory>

#include "platform/failure.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vantor::store {

// How long a writer or reader waits for a lock held by another process.
inline constexpr int kBusyTimeoutMs = 2000;

// The database a connection is for, as messages name it.
struct Place {
    QString server;
    QString file;
};

// "La base « F » sur le serveur S", as messages begin.
QString placeOf(const Place& place);
// kDatabaseCorrupt for the database, with the reason when there is one.
Failure damagedDatabase(const Place& place, const QString& why = QString());

// What a connection saw of its file at one moment: equal stamps mean that no
// transaction was committed in between, by any connection of any process.
struct FileVersion {
    std::array<std::uint32_t, 12> shared{};  // what every connection sees
    std::int64_t own = 0;                    // this connection's changes, even uncommitted
    bool operator==(const FileVersion&) const = default;
};

class Connection {
public:
    // Opens an existing file (create false) or creates it, with a busy
    // timeout; nothing is written to it. Throws on failure.
    static std::unique_ptr<Connection> open(const QString& path, const Place& place, bool create);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Switches the file to the WAL journal (a change to the file, so only
    // once it is known to be a mail database).
    void useWriteAheadLog();
    // Waits until every committed transaction is on the disk: a power cut
    // can no longer take it back (with synchronous=NORMAL a commit only
    // reaches the WAL file, which is synced at checkpoints).
    void syncCommitted();

    // The file's version now. In WAL mode it is read from the header of the
    // shared WAL index, which every commit rewrites: a memory read, no lock
    // and no system call. Otherwise (no WAL) from PRAGMA data_version, which
    // costs a read transaction.
    FileVersion version();

    const Place& place() const { return place_; }
    sqlite3* handle() const { return db_; }
    bool inTransaction() const;
    std::int64_t lastInsertId() const;
    int changes() const;

    void exec(const char* sql);
    // The same for one statement, prepared once per connection: what runs at
    // every change (BEGIN, SAVEPOINT, COMMIT) is parsed once.
    void run(const char* sql);
    // The statement for `sql`, prepared once per connection.
    sqlite3_stmt* prepared(const char* sql);

    // A failure describing SQLite's result `rc` for this database.
    Failure failure(int rc) const;
    [[noreturn]] void fail(int rc) const;
    void check(int rc) const;

private:
    Connection(sqlite3* db, Place place) : db_(db), place_(std::move(place)) {}
    void mapWalIndex();
    sqlite3* db_;
    Place place_;
    std::map<const char*, sqlite3_stmt*> statements_;
    // The WAL index header, mapped by SQLite for as long as the connection
    // is open; null when the file is not in WAL mode.
    const volatile std::uint32_t* walIndex_ = nullptr;
};

// A cached statement in use; reset when it goes out of scope, so that no
// read transaction outlives the call that needed it.
class Query {
public:
    Query(Connection& connection, const char* sql);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& bind(int index, std::int64_t value);
    Query& bind(int index, const QString& text);
    // The bytes must stay alive until the statement has run.
    Query& bindBlob(int index, const QByteArray& bytes);
    Query& bindZeroBlob(int index, std::int64_t size);

    // True while a row is available; throws on an error.
    bool step();
    // Runs a statement that returns no row.
    void run();

    std::int64_t integer(int column) const;
    QString text(int column) const;
    bool isNull(int column) const;

private:
    Connection& connection_;
    sqlite3_stmt* stmt_;
};

// One change made as a whole: BEGIN IMMEDIATE, or a savepoint when a
// transaction is already open on the connection. Rolled back unless committed.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();
    bool nested() const { return nested_; }

private:
    Connection& connection_;
    bool nested_;
    bool done_ = false;
};

// A consistent view of the database across several reads (a deferred read
// transaction), or nothing when a transaction is already open.
class ReadSnapshot {
public:
    explicit ReadSnapshot(Connection& connection);
    ~ReadSnapshot();
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    Connection& connection_;
    bool owned_;
};

}  // namespace vantor::store
