#pragma once
// Setting up the local store: the user of this machine, servers, databases
// and folders. Used by the vantor-store tool and by tests; the program itself
// only goes through LocalClient.
#include <QStringList>
#include <memory>
#include <optional>

#include "notes/store/identity.h"
#include "notes/store/local_database.h"
#include "notes/store/store_paths.h"

namespace vantor::store {

class StoreAdmin {
public:
    explicit StoreAdmin(QString dataRoot);
    const DataRoot& root() const { return root_; }

    // Creates or replaces the identity of the machine's user.
    void setUser(const QString& userName, const QString& password, const QString& mailServer,
                 const QString& mailFile);
    std::optional<Identity> user() const;

    // Creates the server's folder; nothing happens when it exists.
    void createServer(const QString& server);
    void setServerDown(const QString& server, bool down);
    // Servers present under the root, by their folder names decoded.
    QStringList servers() const;

    // A mailbox: "($All)" plus the folders "($Inbox)", "($Sent)", "($Drafts)"
    // and "($Trash)". The server's folder is created when needed; an existing
    // file is refused (kDatabaseExists).
    std::shared_ptr<LocalDatabase> createMailbox(const QString& server, const QString& file,
                                                 const QStringList& accessList);
    // Any other database (an archive): "($All)" only.
    std::shared_ptr<LocalDatabase> createDatabase(const QString& server, const QString& file,
                                                  const QStringList& accessList);
    // Opened as the manager: past the access list and a server marked down.
    std::shared_ptr<LocalDatabase> open(const QString& server, const QString& file) const;

    void grant(const QString& server, const QString& file, const QString& userName);
    void createFolder(const QString& server, const QString& file, const QString& folder);

private:
    std::shared_ptr<LocalDatabase> create(const QString& server, const QString& file, const QStringList& accessList,
                                          const std::vector<NewView>& views);
    DataRoot root_;
};

}  // namespace vantor::store
