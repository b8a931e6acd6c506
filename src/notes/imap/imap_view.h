#pragma once
// A view of a server's messages: "($All)" over the watched folders, one
// folder, or the candidates of a search. The walk goes folder by folder, by
// UID, fetching summaries in batches as it goes; restricted to recent
// arrivals, it asks only for the UIDs that may be new.
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "notes/imap/imap_document.h"
#include "notes/imap/text_read_ahead.h"

namespace vantor::imap {

class ImapView : public notes::View {
  public:
    struct Source {
        QByteArray folder;
        std::optional<UidSet> uids;  // fixed (a search's candidates); else the folder's content
        quint32 uidValidity = 0;     // with fixed UIDs
    };

    ImapView(std::shared_ptr<MailAccount> account, std::shared_ptr<DatabaseState> state,
             QString name, bool isFolder, std::vector<Source> sources)
        : account_(std::move(account)),
          state_(std::move(state)),
          name_(std::move(name)),
          isFolder_(isFolder),
          sources_(std::move(sources)) {}

    QString name() const override { return name_; }
    bool isFolder() const override { return isFolder_; }
    // The next walk asks the server afresh.
    void refresh() override;
    notes::DocumentPtr getFirstDocument() override;
    // Works for a document removed meanwhile: the walk goes on after its place.
    notes::DocumentPtr getNextDocument(const notes::Document& current) override;
    void restrictToArrivalsSince(qint64 secs) override { since_ = secs; }

  private:
    struct Entry {
        std::size_t source;
        quint32 uidValidity;
        quint32 uid;
    };
    // A summary fetched, its document not yet built (built when the walk
    // reaches it, so that a batch never holds the window's thread long).
    struct Pending {
        std::shared_ptr<const std::vector<MessageSummary>> batch;
        std::size_t at;
        std::shared_ptr<TextReadAhead> readAhead;
    };
    void load();
    notes::DocumentPtr documentFrom(std::size_t index);
    void fetchBatch(std::size_t index);
    // The UIDs of the batch from entry `index` (one folder's), its size growing.
    std::vector<quint32> batchFrom(std::size_t index);
    void build(std::size_t index);
    // Asks for the batch after the one being walked.
    void sendNextBatch();

    std::shared_ptr<MailAccount> account_;
    std::shared_ptr<DatabaseState> state_;
    QString name_;
    bool isFolder_;
    std::vector<Source> sources_;
    std::optional<qint64> since_;

    bool loaded_ = false;
    std::vector<Entry> entries_;                         // by source, then UID
    std::map<std::size_t, Pending> pending_;             // by entry
    std::map<std::size_t, notes::DocumentPtr> fetched_;  // by entry; null: gone
    std::size_t batchSize_ = 16;  // small at first (a walk may stop early), larger as it goes
    // The batch after the one being walked, asked for while the walk goes on.
    struct Ahead {
        std::size_t index = 0;
        std::vector<quint32> uids;
        std::function<std::vector<MessageSummary>()> summaries;
    };
    std::optional<Ahead> ahead_;
    // The batch from entry `from`, asked for when the walk reaches entry `at`.
    struct NextBatch {
        std::size_t at;
        std::size_t from;
    };
    std::optional<NextBatch> nextBatch_;
    std::shared_ptr<TextReadAhead> lastReadAhead_;
};

}  // namespace vantor::imap
