#pragma once
// Frames the bytes a server sends into whole responses and parses each one.
// Literals are taken as they arrive: nothing is allocated for the size a
// literal announces, and every size is bounded.
#include <QByteArray>
#include <QByteArrayView>
#include <optional>

#include "notes/imap/response.h"
#include "platform/failure.h"

namespace vantor::imap {

struct ReaderLimits {
    // One line between literals (a SEARCH of many numbers is one line).
    qsizetype maxLine = qsizetype(16) << 20;
    // A whole response, its literals included (a whole message fetched).
    qint64 maxResponse = qint64(512) << 20;
    // Nesting of lists; deeper lists are kept as Value::Kind::Elided.
    int maxDepth = 48;
};

class ResponseReader {
public:
    explicit ResponseReader(ReaderLimits limits = {}) : limits_(limits) {}

    // Takes bytes as they come from the connection.
    void feed(QByteArrayView bytes);
    // The next complete response, or nullopt until more bytes come. Throws
    // Failure(code::kBadServerData) for bytes that break the protocol or a bound.
    std::optional<Response> next();
    // Bytes of a response not yet complete are held.
    bool midResponse() const { return buffer_.size() > start_; }

private:
    void compact();

    ReaderLimits limits_;
    QByteArray buffer_;
    qsizetype start_ = 0;    // first byte of the response being framed
    qsizetype segment_ = 0;  // first byte of its current line
    qsizetype scanned_ = 0;  // bytes of that line already searched for its end
    qint64 literalLeft_ = 0;
};

// Parses one framed response (its last line ends with LF; literals inline).
// Throws Failure(code::kBadServerData).
Response parseResponse(QByteArrayView framed, int maxDepth);

}  // namespace vantor::imap
