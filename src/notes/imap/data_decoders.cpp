#include "notes/imap/data_decoders.h"

#include "notes/imap/mailbox_name.h"

namespace vantor::imap {

namespace {

bool sameWord(QByteArrayView a, QByteArrayView b) {
    return a.size() == b.size() && qstrnicmp(a.data(), a.size(), b.data(), b.size()) == 0;
}

std::optional<quint32> uid32(const Value& v) {
    const auto n = v.number();
    if (!n || *n == 0 || *n > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<quint32>(*n);
}

// "INBOX" is the same folder in any case; its spelling is made one.
QByteArray folderBytes(const Value& v) {
    if (sameWord(v.bytes, "INBOX")) return QByteArrayLiteral("INBOX");
    return v.bytes;
}

SpecialUse specialUseOf(QByteArrayView attribute) {
    static const std::pair<const char*, SpecialUse> uses[] = {
        {"\\All", SpecialUse::All},     {"\\Archive", SpecialUse::Archive},
        {"\\Drafts", SpecialUse::Drafts}, {"\\Flagged", SpecialUse::Flagged},
        {"\\Junk", SpecialUse::Junk},   {"\\Sent", SpecialUse::Sent},
        {"\\Trash", SpecialUse::Trash}};
    for (const auto& [name, use] : uses)
        if (sameWord(attribute, name)) return use;
    return SpecialUse::None;
}

}  // namespace

bool Capabilities::has(QByteArrayView name) const {
    for (const QByteArray& n : names)
        if (sameWord(n, name)) return true;
    return false;
}

Capabilities decodeCapabilities(const std::vector<Value>& atoms) {
    Capabilities caps;
    for (const Value& v : atoms)
        if (v.isAtom()) caps.names.push_back(v.bytes.toUpper());
    return caps;
}

std::optional<ListEntry> decodeList(const Response& r) {
    if (r.type != Response::Type::Untagged || (r.name != "LIST" && r.name != "LSUB") ||
        r.values.size() < 3)
        return std::nullopt;
    const Value& attrs = r.values[0];
    const Value& delim = r.values[1];
    const Value& name = r.values[2];
    if (!attrs.isList() || !(delim.isNil() || (delim.isString() && delim.bytes.size() == 1)) ||
        !name.isText())
        return std::nullopt;
    ListEntry e;
    e.rawName = folderBytes(name);
    e.name = displayMailboxName(e.rawName);
    e.delimiter = delim.isNil() ? 0 : delim.bytes[0];
    for (const Value& a : attrs.items) {
        if (!a.isAtom()) return std::nullopt;
        e.attributes.push_back(a.bytes);
        if (sameWord(a.bytes, "\\Noselect") || sameWord(a.bytes, "\\NonExistent"))
            e.selectable = false;
        if (const SpecialUse use = specialUseOf(a.bytes); use != SpecialUse::None)
            e.specialUse = use;
    }
    return e;
}

std::optional<StatusEntry> decodeStatus(const Response& r) {
    if (r.type != Response::Type::Untagged || r.name != "STATUS" || r.values.size() != 2 ||
        !r.values[0].isText() || !r.values[1].isList() || r.values[1].items.size() % 2 != 0)
        return std::nullopt;
    StatusEntry s;
    s.rawName = folderBytes(r.values[0]);
    const auto& items = r.values[1].items;
    for (std::size_t i = 0; i < items.size(); i += 2) {
        const auto n = items[i + 1].number();
        if (!items[i].isAtom() || !n) return std::nullopt;
        const QByteArray& key = items[i].bytes;
        if (sameWord(key, "MESSAGES")) s.messages = n;
        else if (sameWord(key, "UIDNEXT")) s.uidNext = n;
        else if (sameWord(key, "UIDVALIDITY")) s.uidValidity = n;
        else if (sameWord(key, "UNSEEN")) s.unseen = n;
        else if (sameWord(key, "HIGHESTMODSEQ")) s.highestModSeq = n;
    }
    return s;
}

std::optional<UidSet> decodeSearch(const Response& r) {
    if (r.type != Response::Type::Untagged) return std::nullopt;
    if (r.name == "SEARCH") {
        std::vector<quint32> uids;
        for (const Value& v : r.values) {
            if (v.isList()) continue;  // (MODSEQ n) after the numbers
            const auto uid = uid32(v);
            if (!uid) return std::nullopt;
            uids.push_back(*uid);
        }
        return UidSet::of(std::move(uids));
    }
    if (r.name != "ESEARCH") return std::nullopt;
    UidSet found;
    std::size_t i = 0;
    if (i < r.values.size() && r.values[i].isList()) ++i;  // (TAG "A1")
    if (i < r.values.size() && r.values[i].isAtom("UID")) ++i;
    for (; i + 1 < r.values.size(); i += 2) {
        if (!r.values[i].isAtom()) return std::nullopt;
        if (r.values[i].isAtom("ALL")) {
            const auto set = UidSet::parse(r.values[i + 1].bytes);
            if (!r.values[i + 1].isAtom() || !set) return std::nullopt;
            found = *set;
        }
    }
    return found;
}

std::optional<quint64> codeNumber(const ResponseCode& code, QByteArrayView name) {
    if (!sameWord(code.name, name) || code.args.size() != 1) return std::nullopt;
    return code.args[0].number();
}

std::optional<CopyUid> decodeCopyUid(const ResponseCode& code) {
    if (code.name != "COPYUID" || code.args.size() != 3) return std::nullopt;
    const auto validity = uid32(code.args[0]);
    const auto source = UidSet::parse(code.args[1].bytes);
    const auto destination = UidSet::parse(code.args[2].bytes);
    if (!validity || !code.args[1].isAtom() || !code.args[2].isAtom() || !source ||
        !destination || source->count() != destination->count())
        return std::nullopt;
    return CopyUid{*validity, *source, *destination};
}

std::optional<AppendUid> decodeAppendUid(const ResponseCode& code) {
    if (code.name != "APPENDUID" || code.args.size() != 2) return std::nullopt;
    const auto validity = uid32(code.args[0]);
    const auto uid = uid32(code.args[1]);
    if (!validity || !uid) return std::nullopt;
    return AppendUid{*validity, *uid};
}

}  // namespace vantor::imap
