#pragma once
// Sets of message numbers as the protocol writes them ("1:5,7,9:12"), kept
// as ranges so that a server's "1:4294967295" costs nothing.
#include <QByteArray>
#include <QByteArrayView>
#include <optional>
#include <vector>

namespace vantor::imap {

class UidSet {
public:
    struct Range {
        quint32 first;
        quint32 last;  // first <= last
    };

    UidSet() = default;
    // The numbers, sorted and merged into ranges.
    static UidSet of(std::vector<quint32> uids);
    // A set as a server writes it, ranges kept in its order (COPYUID pairs
    // source and destination by that order); no "*"; nullopt when malformed.
    static std::optional<UidSet> parse(QByteArrayView text);

    void add(quint32 first, quint32 last);
    // Adds another set's numbers, then sorts and merges the ranges.
    void unite(const UidSet& other);
    bool isEmpty() const { return ranges_.empty(); }
    quint64 count() const;
    bool contains(quint32 uid) const;
    const std::vector<Range>& ranges() const { return ranges_; }
    // The numbers in the set's order, at most `limit` of them.
    std::vector<quint32> values(quint64 limit) const;
    // Pieces of at most `size` numbers each, in order.
    std::vector<UidSet> split(quint64 size) const;
    QByteArray toBytes() const;

private:
    std::vector<Range> ranges_;
};

}  // namespace vantor::imap
