#include "notes/imap/uid_set.h"

#include <algorithm>

#include "notes/imap/imap_value.h"

namespace vantor::imap {

namespace {

std::optional<quint32> uidNumber(QByteArrayView digits) {
    const auto n = parseNumber(digits);
    if (!n || *n == 0 || *n > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<quint32>(*n);
}

}  // namespace

UidSet UidSet::of(std::vector<quint32> uids) {
    std::sort(uids.begin(), uids.end());
    UidSet set;
    for (quint32 uid : uids) {
        if (!set.ranges_.empty() && uid <= set.ranges_.back().last + quint64(1)) {
            set.ranges_.back().last = std::max(set.ranges_.back().last, uid);
        } else {
            set.ranges_.push_back({uid, uid});
        }
    }
    return set;
}

std::optional<UidSet> UidSet::parse(QByteArrayView text) {
    UidSet set;
    if (text.isEmpty()) return std::nullopt;
    qsizetype from = 0;
    while (from <= text.size()) {
        qsizetype comma = text.indexOf(',', from);
        if (comma < 0) comma = text.size();
        const QByteArrayView piece = text.sliced(from, comma - from);
        from = comma + 1;
        const qsizetype colon = piece.indexOf(':');
        const auto a = uidNumber(colon < 0 ? piece : piece.first(colon));
        const auto b = colon < 0 ? a : uidNumber(piece.sliced(colon + 1));
        if (!a || !b) return std::nullopt;
        set.ranges_.push_back({std::min(*a, *b), std::max(*a, *b)});
    }
    return set;
}

void UidSet::add(quint32 first, quint32 last) { ranges_.push_back({first, last}); }

void UidSet::unite(const UidSet& other) {
    ranges_.insert(ranges_.end(), other.ranges_.begin(), other.ranges_.end());
    std::sort(ranges_.begin(), ranges_.end(),
              [](const Range& a, const Range& b) { return a.first < b.first; });
    std::vector<Range> merged;
    for (const Range& r : ranges_) {
        if (!merged.empty() && r.first <= quint64(merged.back().last) + 1)
            merged.back().last = std::max(merged.back().last, r.last);
        else
            merged.push_back(r);
    }
    ranges_ = std::move(merged);
}

quint64 UidSet::count() const {
    quint64 n = 0;
    for (const Range& r : ranges_) n += quint64(r.last) - r.first + 1;
    return n;
}

bool UidSet::contains(quint32 uid) const {
    return std::any_of(ranges_.begin(), ranges_.end(),
                       [uid](const Range& r) { return uid >= r.first && uid <= r.last; });
}

std::vector<quint32> UidSet::values(quint64 limit) const {
    std::vector<quint32> out;
    for (const Range& r : ranges_) {
        for (quint64 u = r.first; u <= r.last; ++u) {
            if (out.size() >= limit) return out;
            out.push_back(static_cast<quint32>(u));
        }
    }
    return out;
}

std::vector<UidSet> UidSet::split(quint64 size) const {
    std::vector<UidSet> out;
    quint64 inPiece = size;
    for (const Range& r : ranges_) {
        quint64 first = r.first;
        while (first <= r.last) {
            if (inPiece == size) {
                out.emplace_back();
                inPiece = 0;
            }
            const quint64 last = std::min<quint64>(r.last, first + (size - inPiece) - 1);
            out.back().add(static_cast<quint32>(first), static_cast<quint32>(last));
            inPiece += last - first + 1;
            first = last + 1;
        }
    }
    return out;
}

QByteArray UidSet::toBytes() const {
    QByteArray out;
    for (const Range& r : ranges_) {
        if (!out.isEmpty()) out += ',';
        out += QByteArray::number(r.first);
        if (r.last != r.first) out += ':' + QByteArray::number(r.last);
    }
    return out;
}

}  // namespace vantor::imap
