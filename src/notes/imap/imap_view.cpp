#include "notes/imap/imap_view.h"

#include <algorithm>

#include "notes/imap/universal_id.h"

namespace vantor::imap {

namespace {
// Beyond any real mailbox; bounds what a hostile server's numbers cost.
constexpr quint64 kMostEntries = 2'000'000;
// A wider range of possibly new UIDs is asked for by SEARCH, not walked number by number.
constexpr quint32 kWidestRange = 4096;
// Summaries a batch: the documents of one are built between two runs of the
// window's events (a few milliseconds), the next batch asked for meanwhile.
constexpr std::size_t kMostPerBatch = 256;
}  // namespace

void ImapView::refresh() {
    loaded_ = false;
    ahead_.reset();
    nextBatch_.reset();
    lastReadAhead_.reset();
    entries_.clear();
    pending_.clear();
    fetched_.clear();
}

void ImapView::load() {
    if (loaded_) return;
    std::vector<QByteArray> watched;
    for (const Source& s : sources_)
        if (!s.uids) watched.push_back(s.folder);
    // One pipelined STATUS: it also records what arrived since the last one.
    const std::vector<FolderStatus> statuses = account_->observe(watched);
    std::size_t st = 0;
    entries_.clear();
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        const Source& s = sources_[i];
        UidSet uids;
        quint32 uidValidity = s.uidValidity;
        if (s.uids) {
            uids = *s.uids;
        } else {
            const FolderStatus& status = statuses[st++];
            if (!status.found || status.uidNext <= 1) continue;
            uidValidity = status.uidValidity;
            if (since_) {
                const quint32 first = std::max<quint32>(
                    1, account_->marks().firstUidArrivedAfter(s.folder, uidValidity, *since_));
                if (first >= status.uidNext) continue;  // nothing new: nothing fetched
                if (status.uidNext - first <= kWidestRange) {
                    uids.add(first, status.uidNext - 1);
                } else {
                    UidSet range;
                    range.add(first, status.uidNext - 1);
                    uids = account_->account().search(
                        FolderRef{s.folder, uidValidity},
                        {SearchTerm::atom("UID"), SearchTerm::atom(range.toBytes())});
                }
            } else {
                uids = account_->account().search(FolderRef{s.folder, uidValidity},
                                                  {SearchTerm::atom("ALL")});
            }
        }
        for (quint32 uid :
             uids.values(kMostEntries - std::min<quint64>(kMostEntries, entries_.size())))
            entries_.push_back({i, uidValidity, uid});
    }
    loaded_ = true;
}

std::vector<quint32> ImapView::batchFrom(std::size_t index) {
    std::vector<quint32> uids;
    for (std::size_t end = index; end < entries_.size() && end - index < batchSize_ &&
                                  entries_[end].source == entries_[index].source;
         ++end)
        uids.push_back(entries_[end].uid);
    batchSize_ = std::min<std::size_t>(batchSize_ * 4, kMostPerBatch);
    return uids;
}

void ImapView::fetchBatch(std::size_t index) {
    const Entry& first = entries_[index];
    const FolderRef folder{sources_[first.source].folder, first.uidValidity};
    std::shared_ptr<const std::vector<MessageSummary>> batch;
    if (ahead_ && ahead_->index == index) {
        batch = std::make_shared<const std::vector<MessageSummary>>(ahead_->summaries());
    } else {
        ahead_ = Ahead{index, batchFrom(index), {}};
        batch = std::make_shared<const std::vector<MessageSummary>>(
            account_->account().fetchSummaries(folder, UidSet::of(ahead_->uids), kItemHeaders));
    }
    const std::size_t end = index + ahead_->uids.size();
    ahead_.reset();
    // The next batch is asked for halfway through this one: the server
    // answers while the walk goes on, after this batch's own texts.
    nextBatch_.reset();
    if (end < entries_.size()) nextBatch_ = NextBatch{index + (end - index) / 2, end};
    auto readAhead = std::make_shared<TextReadAhead>(account_, folder, batch);
    // A walk that read the texts of the last batch reads these too: asked for at once.
    if (lastReadAhead_ && lastReadAhead_->used()) readAhead->start();
    lastReadAhead_ = readAhead;
    std::size_t at = 0;
    for (std::size_t i = index; i < end; ++i) {
        while (at < batch->size() && (*batch)[at].uid < entries_[i].uid) ++at;
        if (at == batch->size() || (*batch)[at].uid != entries_[i].uid) {
            fetched_[i] = nullptr;  // gone meanwhile
            continue;
        }
        const MessageSummary& s = (*batch)[at];
        // Every fetch tells the index where a universal ID lives.
        account_->remember(universalIdOf(s.envelope, s.size), s.envelope.messageId,
                           Location{folder.raw, folder.uidValidity, s.uid});
        pending_[i] = Pending{batch, at, readAhead};
    }
}

void ImapView::sendNextBatch() {
    const std::size_t next = nextBatch_->from;
    nextBatch_.reset();
    const Entry& e = entries_[next];
    Ahead a{next, batchFrom(next), {}};
    a.summaries = account_->account().fetchSummariesAhead(
        FolderRef{sources_[e.source].folder, e.uidValidity}, UidSet::of(a.uids), kItemHeaders);
    ahead_ = std::move(a);
}

void ImapView::build(std::size_t index) {
    if (nextBatch_ && index >= nextBatch_->at) sendNextBatch();
    const auto p = pending_.find(index);
    if (p == pending_.end()) return;
    const MessageSummary& s = (*p->second.batch)[p->second.at];
    const Entry& e = entries_[index];
    fetched_[index] = std::make_shared<ImapDocument>(
        account_, state_, Location{sources_[e.source].folder, e.uidValidity, e.uid}, s,
        p->second.readAhead);
    pending_.erase(p);
}

notes::DocumentPtr ImapView::documentFrom(std::size_t index) {
    for (; index < entries_.size(); ++index) {
        if (!fetched_.count(index)) {
            if (!pending_.count(index)) fetchBatch(index);
            build(index);
        }
        if (const notes::DocumentPtr& d = fetched_[index]) {
            // Behind the walk: kept by whoever holds it, else fetched again if asked.
            fetched_.erase(fetched_.begin(), fetched_.lower_bound(index));
            return d;
        }
    }
    return nullptr;
}

notes::DocumentPtr ImapView::getFirstDocument() {
    load();
    return documentFrom(0);
}

notes::DocumentPtr ImapView::getNextDocument(const notes::Document& current) {
    load();
    const auto* doc = dynamic_cast<const ImapDocument*>(&current);
    if (!doc) return nullptr;
    const Location& at = doc->location();
    std::size_t source = sources_.size();
    for (std::size_t i = 0; i < sources_.size(); ++i)
        if (sources_[i].folder == at.folder) source = i;
    if (source == sources_.size()) return nullptr;
    const auto next = std::upper_bound(
        entries_.begin(), entries_.end(), std::pair{source, at.uid},
        [](const std::pair<std::size_t, quint32>& key, const Entry& e) {
            return key.first < e.source || (key.first == e.source && key.second < e.uid);
        });
    return documentFrom(static_cast<std::size_t>(next - entries_.begin()));
}

}  // namespace vantor::imap
