#pragma once
// Where servers and database files live below the data root, and which names
// are acceptable. File names are matched without regard to case, with "\" or
// "/" between folders, and can never reach outside their server's folder.
#include <QString>
#include <QStringList>

namespace vantor::store {

// "" and "local" in any letter case name this machine's data directory.
bool isLocalServer(const QString& server);

// The server as messages name it: "sur le serveur X" or "sur ce poste".
QString placeText(const QString& server);

// The folder name of a server: lower-cased, anything outside [a-z0-9._-]
// (and a leading dot) percent-encoded, so that it is reversible and safe.
QString serverFolderName(const QString& server);
QString serverNameFromFolder(const QString& folderName);

// Throws kBadServerName for a name holding control characters, too long, or
// whose folder would be a file of the store's own ("user.id").
void checkServerName(const QString& server);

// The folder components of a database file name; throws kBadFileName for an
// empty, absolute or drive-letter name, a ".." component, NUL or control
// characters, or a name SQLite keeps for its journals (ending in "-wal",
// "-shm" or "-journal").
QStringList fileNameParts(const QString& server, const QString& file);

class DataRoot {
public:
    explicit DataRoot(QString root);

    const QString& path() const { return root_; }
    QString identityPath() const;
    QString serverFolder(const QString& server) const;

    bool serverExists(const QString& server) const;
    // Down when marked by setServerDown, or by the empty "offline" file an
    // earlier version left in the server's folder.
    bool serverDown(const QString& server) const;
    // Throws kServerUnreachable when the folder is missing or marked down.
    void checkReachable(const QString& server, const QString& file) const;
    // Marks the server down or up; the server must exist. An earlier
    // version's marker is taken away either way, never a database.
    void setServerDown(const QString& server, bool down) const;

    // The existing file matched without regard to case, or "" when none.
    QString findFile(const QString& server, const QString& file) const;
    // Where a new file goes: existing folders are reused whatever their case,
    // missing ones are created.
    QString pathForNewFile(const QString& server, const QString& file) const;

private:
    QString downMarker(const QString& server) const;
    QString legacyDownMarker(const QString& server) const;
    QString root_;
};

}  // namespace vantor::store
