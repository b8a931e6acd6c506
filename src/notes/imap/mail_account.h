#pragma once
// What the realisation keeps of one account for the whole run, beside the
// account's connections: the folders' arrival marks, where each universal ID
// was last seen, and the folders the watch walks.
#include <QString>
#include <map>
#include <memory>
#include <vector>

#include "notes/imap/account.h"
#include "notes/imap/arrival_marks.h"

namespace vantor::imap {

// Where one copy of a message lives.
struct Location {
    QByteArray folder;  // the server's name
    quint32 uidValidity = 0;
    quint32 uid = 0;
    bool operator==(const Location&) const = default;
    FolderRef ref() const { return {folder, uidValidity}; }
};

class MailAccount {
  public:
    MailAccount(NetworkThread& network, AccountSettings settings);

    Account& account() { return account_; }
    ArrivalMarks& marks() { return marks_; }
    Env& env() { return *env_; }
    const std::function<void(const QString&)>& log() const { return log_; }

    // The name a folder has for the program: "($Inbox)", "($Trash)",
    // "($Sent)", "($Drafts)", "($JunkMail)", else its "\" path.
    static QString nameOf(const Folder& folder);
    // The selectable folders under `root` ("INBOX": all of them).
    std::vector<Folder> folders(const QString& root, bool refresh = false);
    // Those "($All)" walks: all but Trash, Junk, Sent, Drafts and "Recherche".
    std::vector<Folder> watchedFolders(const QString& root);
    // The server's name of a folder named as nameOf() names it.
    QByteArray rawOf(const QString& name);
    // The folder deleted mail goes to (special-use \Trash, else "Trash"), if any.
    std::optional<Folder> trashFolder();

    // STATUS of the folders, each observation recorded in the arrival marks.
    std::vector<FolderStatus> observe(const std::vector<QByteArray>& folders);
    // Observes the folders never observed in this run: the watch starts there.
    void observeNew(const std::vector<Folder>& folders);
    // The time of an observation: this program's clock, rounded up.
    qint64 nowSecs();

    // The account's own addresses (the From of mail the user sent).
    bool isOwnAddress(const QByteArray& mailbox, const QByteArray& host) const;

    // Where a universal ID was seen, with the Message-ID to search it by.
    void remember(const QString& unid, const QByteArray& messageId, const Location& where);
    void forget(const QString& unid, const Location& where);
    std::vector<Location> locationsOf(const QString& unid) const;
    QByteArray messageIdOf(const QString& unid) const;

  private:
    Account account_;
    Env* env_;
    std::function<void(const QString&)> log_;
    ArrivalMarks marks_;
    struct Seen {
        QByteArray messageId;
        std::vector<Location> locations;
    };
    std::map<QString, Seen> seen_;
};

}  // namespace vantor::imap
