#include "notes/imap/arrival_marks.h"

#include <algorithm>

namespace vantor::imap {

void ArrivalMarks::observe(const QByteArray& folder, quint32 uidValidity, quint32 uidNext,
                           qint64 secs) {
    FolderMarks& marks = folders_[folder];
    if (marks.uidValidity != uidValidity) marks = FolderMarks{uidValidity, {}};
    // Only a rising UIDNEXT says something new came.
    if (marks.seen.empty() || uidNext > marks.seen.back().uidNext)
        marks.seen.push_back(
            {uidNext, std::max(secs, marks.seen.empty() ? secs : marks.seen.back().secs)});
}

const ArrivalMarks::FolderMarks* ArrivalMarks::marksOf(const QByteArray& folder,
                                                       quint32 uidValidity) const {
    const auto f = folders_.find(folder);
    if (f == folders_.end() || f->second.seen.empty() || f->second.uidValidity != uidValidity)
        return nullptr;
    return &f->second;
}

qint64 ArrivalMarks::arrival(const QByteArray& folder, quint32 uidValidity, quint32 uid,
                             qint64 internalDateSecs) const {
    const FolderMarks* marks = marksOf(folder, uidValidity);
    if (!marks) return kBefore;
    const auto first =
        std::upper_bound(marks->seen.begin(), marks->seen.end(), uid,
                         [](quint32 u, const Observation& o) { return u < o.uidNext; });
    if (first == marks->seen.begin() || first == marks->seen.end()) return kBefore;
    if (internalDateSecs != kBefore && internalDateSecs < first->secs - kMovedInSecs)
        return kBefore;
    return first->secs;
}

quint32 ArrivalMarks::firstUidArrivedAfter(const QByteArray& folder, quint32 uidValidity,
                                           qint64 secs) const {
    const FolderMarks* marks = marksOf(folder, uidValidity);
    if (!marks) return 0;
    // UIDs at or above the UIDNEXT seen just before the first later observation.
    const auto later = std::upper_bound(marks->seen.begin(), marks->seen.end(), secs,
                                        [](qint64 s, const Observation& o) { return s < o.secs; });
    if (later == marks->seen.begin()) return marks->seen.front().uidNext;
    return std::prev(later)->uidNext;
}

}  // namespace vantor::imap
