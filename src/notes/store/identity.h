#pragma once
// The user of this machine's mail client: one per data root, in user.id
// (a small UTF-8 text file), with the password kept salted and hashed.
#include <QByteArray>
#include <QString>
#include <optional>

namespace vantor::store {

struct Identity {
    QString userName;    // as the "From" item shows it, e.g. "Jean Dupont/Vantor"
    QString mailServer;  // the user's own mail database, for openMail()
    QString mailFile;
    QByteArray salt;
    QByteArray passwordHash;

    // A new identity with a fresh random salt; throws on an unusable name.
    static Identity create(const QString& userName, const QString& password,
                           const QString& mailServer, const QString& mailFile);
    bool passwordMatches(const QString& password) const;
};

// nullopt when the file does not exist; throws kIdentityUnreadable when it
// cannot be read or is malformed.
std::optional<Identity> loadIdentity(const QString& path);
// Replaces the file as a whole (never left half written).
void saveIdentity(const QString& path, const Identity& identity);

}  // namespace vantor::store
