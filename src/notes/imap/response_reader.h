#pragma once
// Frames the bytes a server sends into whole responses and parses each one.
// Literals are taken as they arrive: nothing is allocated for the size a
// literal announces, and every size is bounded.
#include <QByteArray>
#include <QByteArrayView>
#include <deque>
#include <optional>
#include <vector>

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
    // Failure(code::kBadServerData), after the responses that came before
    // them, for bytes that break the protocol or a bound.
    std::optional<Response> next();
    // Bytes of a response not yet complete are held.
    bool midResponse() const { return !current_.lines.isEmpty(); }

    // A response as framed: its lines, and apart from them the bytes of its
    // literals (a large one is never copied again).
    struct Framed {
        QByteArray lines;
        std::vector<QByteArray> literals;
    };

private:
    void frame(QByteArrayView bytes);

    ReaderLimits limits_;
    Framed current_;
    std::deque<Framed> ready_;
    std::optional<Failure> error_;
    qsizetype lineStart_ = 0;  // where the current line begins in current_.lines
    qint64 size_ = 0;          // of the current response, literals included
    qint64 literalLeft_ = 0;
};

// Parses one framed response (its last line ends with LF).
// Throws Failure(code::kBadServerData).
Response parseResponse(ResponseReader::Framed framed, int maxDepth);

}  // namespace vantor::imap
