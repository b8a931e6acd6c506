#pragma once
// Typed meaning of the responses that are not FETCH: capabilities, folder
// lists, folder status, search results and response codes. A response that
// does not fit its grammar gives nullopt: the caller decides what it costs.
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "notes/imap/response.h"
#include "notes/imap/uid_set.h"

namespace vantor::imap {

struct Capabilities {
    std::vector<QByteArray> names;  // upper case

    bool has(QByteArrayView name) const;
    bool empty() const { return names.empty(); }
};
// From the atoms of "* CAPABILITY ..." or of a [CAPABILITY ...] code.
Capabilities decodeCapabilities(const std::vector<Value>& atoms);

enum class SpecialUse { None, All, Archive, Drafts, Flagged, Junk, Sent, Trash };

struct ListEntry {
    QByteArray rawName;  // as the server wrote it: what commands send back
    QString name;        // decoded for display (modified UTF-7)
    char delimiter = 0;  // 0: a flat name (NIL)
    std::vector<QByteArray> attributes;
    bool selectable = true;  // neither \Noselect nor \NonExistent
    SpecialUse specialUse = SpecialUse::None;
};
// "* LIST (\HasNoChildren \Trash) "/" Trash".
std::optional<ListEntry> decodeList(const Response& r);

struct StatusEntry {
    QByteArray rawName;
    std::optional<quint64> messages, uidNext, uidValidity, unseen, highestModSeq;
};
// "* STATUS name (MESSAGES 3 UIDNEXT 9 ...)".
std::optional<StatusEntry> decodeStatus(const Response& r);

// "* SEARCH 3 5 8" or "* ESEARCH (TAG "A1") UID ALL 3,5:8": the numbers found.
std::optional<UidSet> decodeSearch(const Response& r);

// A number argument of a code: [UIDVALIDITY 7], [UIDNEXT 9], [HIGHESTMODSEQ 3].
std::optional<quint64> codeNumber(const ResponseCode& code, QByteArrayView name);

struct CopyUid {
    quint32 uidValidity = 0;  // of the destination folder
    UidSet source, destination;  // paired in order
};
// [COPYUID validity source destination] (UIDPLUS).
std::optional<CopyUid> decodeCopyUid(const ResponseCode& code);

struct AppendUid {
    quint32 uidValidity = 0;
    quint32 uid = 0;
};
// [APPENDUID validity uid] (UIDPLUS).
std::optional<AppendUid> decodeAppendUid(const ResponseCode& code);

}  // namespace vantor::imap
