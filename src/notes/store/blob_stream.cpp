#include "notes/store/blob_stream.h"

#include <sqlite3.h>

#include <QByteArray>
#include <QIODevice>
#include <algorithm>

namespace vantor::store {

std::optional<Blob> Blob::open(Connection& connection, std::int64_t rowId, bool forWriting) {
    sqlite3_blob* handle = nullptr;
    const int rc = sqlite3_blob_open(connection.handle(), "main", "attachments", "data", rowId,
                                     forWriting ? 1 : 0, &handle);
    if (rc == SQLITE_ERROR) {  // no such row: the attachment went with its document
        sqlite3_blob_close(handle);
        return std::nullopt;
    }
    if (rc != SQLITE_OK) {
        sqlite3_blob_close(handle);
        connection.fail(rc);
    }
    return Blob(connection, handle);
}

Blob::Blob(Blob&& other) noexcept : connection_(other.connection_), handle_(other.handle_) {
    other.handle_ = nullptr;
}

Blob& Blob::operator=(Blob&& other) noexcept {
    if (this != &other) {
        if (handle_) sqlite3_blob_close(handle_);
        connection_ = other.connection_;
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

Blob::~Blob() {
    if (handle_) sqlite3_blob_close(handle_);
}

std::int64_t Blob::size() const { return sqlite3_blob_bytes(handle_); }

void Blob::read(char* buffer, int length, std::int64_t offset) {
    connection_->check(sqlite3_blob_read(handle_, buffer, length, static_cast<int>(offset)));
}

void Blob::write(const char* buffer, int length, std::int64_t offset) {
    connection_->check(sqlite3_blob_write(handle_, buffer, length, static_cast<int>(offset)));
}

bool copyIntoBlob(QIODevice& source, Blob& target, std::int64_t size) {
    QByteArray chunk(static_cast<qsizetype>(std::min(size, kChunkBytes)), Qt::Uninitialized);
    std::int64_t offset = 0;
    while (offset < size) {
        const auto wanted = static_cast<qint64>(std::min(size - offset, kChunkBytes));
        const qint64 got = source.read(chunk.data(), wanted);
        if (got <= 0) return false;
        target.write(chunk.constData(), static_cast<int>(got), offset);
        offset += got;
    }
    return true;
}

bool copyBlob(Blob& source, Blob& target) {
    const std::int64_t size = source.size();
    if (target.size() != size) return false;
    QByteArray chunk(static_cast<qsizetype>(std::min(size, kChunkBytes)), Qt::Uninitialized);
    for (std::int64_t offset = 0; offset < size; offset += kChunkBytes) {
        const int length = static_cast<int>(std::min(size - offset, kChunkBytes));
        source.read(chunk.data(), length, offset);
        target.write(chunk.constData(), length, offset);
    }
    return true;
}

bool readInChunks(Blob& source, const std::function<bool(const char*, int)>& sink) {
    const std::int64_t size = source.size();
    QByteArray chunk(static_cast<qsizetype>(std::min(size, kChunkBytes)), Qt::Uninitialized);
    for (std::int64_t offset = 0; offset < size; offset += kChunkBytes) {
        const int length = static_cast<int>(std::min(size - offset, kChunkBytes));
        source.read(chunk.data(), length, offset);
        if (!sink(chunk.constData(), length)) return false;
    }
    return true;
}

bool copyOutOfBlob(Blob& source, QIODevice& device) {
    return readInChunks(source, [&](const char* data, int length) { return device.write(data, length) == length; });
}

}  // namespace vantor::store
