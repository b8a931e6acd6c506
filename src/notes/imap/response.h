#pragma once
// One complete server response, as the reader frames and parses it.
#include <QByteArray>
#include <optional>
#include <vector>

#include "notes/imap/imap_value.h"

namespace vantor::imap {

// The bracketed code of a status response: "[UIDNEXT 5]", "[ALERT]".
struct ResponseCode {
    QByteArray name;  // upper case
    std::vector<Value> args;
};

struct Response {
    enum class Type : unsigned char { Tagged, Untagged, Continuation };
    Type type = Type::Untagged;
    QByteArray tag;  // Tagged only
    // "* 5 EXISTS": 5. Absent for responses that start with their name.
    std::optional<quint64> number;
    // Upper case: OK, NO, BAD, BYE, PREAUTH, CAPABILITY, FETCH, EXISTS...
    // Empty for a continuation.
    QByteArray name;
    std::optional<ResponseCode> code;  // status responses only
    QByteArray text;                   // status responses and continuations
    std::vector<Value> values;         // data responses: what follows the name

    bool isStatus() const;
    bool isOk() const { return name == "OK"; }
};

}  // namespace vantor::imap
