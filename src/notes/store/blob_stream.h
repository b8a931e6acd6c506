#pragma once
// Streaming of attachment bytes in and out of a database in fixed-size
// chunks, so that a large attachment is never held whole in memory.
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "notes/store/sqlite_connection.h"

struct sqlite3_blob;
class QIODevice;

namespace vantor::store {

inline constexpr std::int64_t kChunkBytes = 1 << 20;

// The "data" column of one row of "attachments".
class Blob {
public:
    // nullopt when the row no longer exists; throws on other errors.
    static std::optional<Blob> open(Connection& connection, std::int64_t rowId, bool forWriting);
    Blob(Blob&& other) noexcept;
    Blob& operator=(Blob&& other) noexcept;
    Blob(const Blob&) = delete;
    ~Blob();

    std::int64_t size() const;
    void read(char* buffer, int length, std::int64_t offset);
    void write(const char* buffer, int length, std::int64_t offset);

private:
    Blob(Connection& connection, sqlite3_blob* handle) : connection_(&connection), handle_(handle) {}
    Connection* connection_;
    sqlite3_blob* handle_;
};

// Copies `size` bytes from `source` into `target`; false when the source
// ended early.
bool copyIntoBlob(QIODevice& source, Blob& target, std::int64_t size);
bool copyBlob(Blob& source, Blob& target);
// Hands the whole blob to `sink` chunk by chunk; false when `sink` refused one.
bool readInChunks(Blob& source, const std::function<bool(const char*, int)>& sink);
// Writes the whole blob to `device`; false when a write failed.
bool copyOutOfBlob(Blob& source, QIODevice& device);

}  // namespace vantor::store
