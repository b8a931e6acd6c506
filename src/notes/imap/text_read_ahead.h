#pragma once
// The text sections of the messages of one summary batch, fetched together:
// when a message's text is first read, the next messages' text sections are
// asked for in the same pipelined exchange (bounded in messages and bytes),
// so that a walk reading every text costs a few round trips a batch, not one
// a message; while the walk reads those, the group after them is already
// asked for. Attachments are never read ahead.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "notes/imap/mail_account.h"
#include "notes/mime/sections.h"

namespace vantor::imap {

// A message's structure as the shared MIME reader outlines it.
mime::PartOutline outlineOf(const BodyPart& part);
// The leaf part numbered `section` ("2.1"), if any.
const BodyPart* partAt(const BodyPart& part, const QByteArray& section);

class TextReadAhead {
  public:
    // Messages read ahead at most per exchange, and bytes (as the structures
    // announce them) beyond the message asked for.
    static constexpr std::size_t kMostMessages = 128;
    static constexpr quint64 kMostBytes = 4 * 1024 * 1024;

    // The order the texts are read in: a walk's, by UID (what it passed by
    // unread is dropped), or any (kept until read).
    enum class Order { byUid, any };

    // `batch`: the summaries of one folder's batch, by UID.
    TextReadAhead(std::shared_ptr<MailAccount> account, FolderRef folder,
                  std::shared_ptr<const std::vector<MessageSummary>> batch,
                  Order order = Order::byUid)
        : account_(std::move(account)),
          folder_(std::move(folder)),
          batch_(std::move(batch)),
          order_(order) {}

    // The contents of the text sections of message `uid` (which has a
    // structure), each fetched once; nullopt when the message is gone.
    std::optional<mime::SectionContents> take(quint32 uid);
    // Whether a text was asked for.
    bool used() const { return used_; }
    // Asks for the first messages' texts now, before they are read.
    void start();

  private:
    // The text sections of up to kMostMessages messages from the batch's
    // `first`, and the answer of their exchange.
    struct Group {
        std::map<quint32, QStringList> names;
        std::size_t end = 0;  // the batch's index after the group
        std::function<Account::Sections()> answer;
    };
    Group groupFrom(std::size_t first, bool sendNow);
    void receive(Group& group);
    // Hands over what was read ahead for `uid`, if anything.
    std::optional<mime::SectionContents> taken(quint32 uid);

    std::shared_ptr<MailAccount> account_;
    FolderRef folder_;
    std::shared_ptr<const std::vector<MessageSummary>> batch_;
    std::map<quint32, mime::SectionContents> ready_;  // read ahead, not yet taken
    std::optional<Group> sent_;                       // asked for, not yet received
    Order order_;
    bool used_ = false;
};

}  // namespace vantor::imap
