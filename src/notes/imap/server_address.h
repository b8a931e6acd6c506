#pragma once
// An IMAP mailbox's server field: "imaps://LOGIN@HOST[:PORT]" (TLS from the
// start, port 993) or "imap://LOGIN@HOST[:PORT]" (STARTTLS, port 143).
#include <QString>
#include <optional>

namespace vantor::imap {

struct ServerAddress {
    QString login;
    QString host;
    quint16 port = 0;
    bool tlsFromStart = true;

    // A server field that names an IMAP account (any case of the scheme).
    static bool isImap(const QString& field);
    // The parts of the field; nullopt when it is not a usable address. LOGIN
    // may hold "@" (as is or as %40): the host follows the last one.
    static std::optional<ServerAddress> parse(const QString& field);

    // The account as the user writes it, without password, port included:
    // "imaps://jean@mail.example.com:993" (the keyring's key).
    QString account() const;
    // "mail.example.com:993", "[::1]:143": the server in messages and in
    // "certificats.txt".
    QString hostPort() const;
};

}  // namespace vantor::imap
