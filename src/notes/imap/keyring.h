#pragma once
// Passwords in the desktop's keyring (Secret Service, through QtKeychain),
// under the service "Vantor" and the account's address. Jobs are waited for
// on the calling thread, its events running, within a bound.
#include <QString>
#include <optional>

namespace vantor::imap {

struct KeyringEntry {
    // A keyring answered (holding a password for the key or not).
    bool keyringPresent = false;
    std::optional<QString> password;
};

// What the keyring holds for `key`. No keyring, or one that does not answer
// within `boundMs`, is quietly "absent".
KeyringEntry readKeyring(const QString& key, int boundMs);
// Stores the password under `key`; false when the keyring did not take it.
bool writeKeyring(const QString& key, const QString& password, int boundMs);

}  // namespace vantor::imap
