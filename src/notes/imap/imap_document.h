#pragma once
// A message in a folder of a server, as a document: its items read from the
// summary the walk fetched (the text only when read), its flags and folders
// changed on the server by the user's actions. A document without a place is
// a draft (a reply handed to the desktop's composer).
#include <QMap>
#include <memory>
#include <tuple>

#include "notes/imap/imap_items.h"
#include "notes/imap/mail_account.h"
#include "notes/notes.h"

namespace vantor::imap {

class ImapDocument;

// What the documents of one database share: the removals of an open write
// batch, the documents fetched for announced look-ups, and the message a
// reply drafted there answers.
struct DatabaseState {
    int batchDepth = 0;
    std::map<std::pair<QByteArray, quint32>, UidSet> pendingRemovals;  // by folder and UIDVALIDITY
    // By folder, UIDVALIDITY and UID; each handed out once, dropped at a commit.
    std::map<std::tuple<QByteArray, quint32, quint32>, std::shared_ptr<ImapDocument>> expected;
    QByteArray answeredMessageId;
};

class ImapDocument : public notes::Document {
  public:
    // A stored message, as a FETCH summary describes it; its text read with
    // those of its batch by `readAhead` (null: on its own).
    ImapDocument(std::shared_ptr<MailAccount> account, std::shared_ptr<DatabaseState> state,
                 Location where, const MessageSummary& summary,
                 std::shared_ptr<TextReadAhead> readAhead = nullptr);
    // A draft answering `inReplyTo` (a Message-ID, may be empty).
    ImapDocument(std::shared_ptr<MailAccount> account, QByteArray inReplyTo);

    const Location& location() const { return where_; }
    bool isDraft() const { return !account_ || where_.uid == 0; }
    const QByteArray& inReplyTo() const { return inReplyTo_; }

    QDateTime created() const override { return created_.toLocalTime(); }
    qint64 createdSecsSinceEpoch() const override { return created_.toSecsSinceEpoch(); }
    // Refused: a server keeps its own date of a message.
    void setCreated(const QDateTime& when) override;
    qint64 arrivalSecsSinceEpoch() const override { return arrival_; }
    QString universalID() const override { return unid_; }
    // Refused for a stored message; a draft keeps it.
    void setUniversalID(const QString& unid) override;

    std::vector<notes::ItemPtr> items() const override;
    bool hasItem(const QString& name) const override;
    notes::ItemPtr getFirstItem(const QString& name) const override;
    QString itemValue(const QString& name) const override;
    void replaceItemValue(const QString& name, const QString& value) override;
    // By its From address, compared with the account's own addresses.
    bool sentByUser(const QString& userName) const override;
    // Refused: a message on a server cannot be rewritten.
    void appendItemCopy(const notes::Item& item) override;

    // Writes the follow-up status (flags and a priority keyword); any other
    // change is refused.
    bool save(bool force, bool createResponse, bool markRead = true) override;
    // For good: \Deleted and UID EXPUNGE (at the commit of an open batch).
    bool remove(bool force) override;
    // Into the server's Trash, else removed for good.
    bool trash() override;
    // A copy marked as this program's, the folder created when missing and allowed.
    void putInFolder(const QString& folder, bool createOnFail = true) override;
    // Removes the copy this program put there; a message filed by hand stays.
    void removeFromFolder(const QString& folder) override;
    // One move on the server, from wherever the message is.
    void moveToFolder(const QString& folder, const QString& from) override;

  private:
    void requireStored(const QString& action) const;
    void removedFromServer();

    std::shared_ptr<MailAccount> account_;
    std::shared_ptr<DatabaseState> state_;
    Location where_;
    QString unid_;
    QDateTime created_;  // UTC
    qint64 arrival_ = ArrivalMarks::kBefore;
    std::vector<QByteArray> flags_;
    QByteArray fromMailbox_, fromHost_, inReplyTo_, messageId_;
    std::vector<notes::ItemPtr> items_;        // as the server holds them
    std::shared_ptr<MessageContent> content_;  // null for a draft
    QMap<QString, QString> changed_;           // replaceItemValue, by name as given
    bool removed_ = false;
};

// The header fields a document's items are read from.
inline constexpr const char* kItemHeaders = "FROM TO CC SUBJECT DATE MESSAGE-ID IN-REPLY-TO";
// The flag keywords of the follow-up priorities "1", "2", "3".
QByteArray priorityKeyword(int priority);
// The keyword of the copies putInFolder makes.
inline constexpr const char* kCopyKeyword = "$VantorCopie";

}  // namespace vantor::imap
