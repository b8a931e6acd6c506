#pragma once
// What the benchmarks of the program on IMAP share: a program folder whose
// slots watch accounts of a private Dovecot, with the client the program
// wires (the local store, the IMAP realisation attached beside it), so that
// the program's own routines run as in use; the accounts are reached
// through a relay that counts what the server sends.
#include <QDateTime>

#include "core/keys.h"
#include "core/modlotus.h"
#include "core/password.h"
#include "imap_bench_support.h"
#include "maintenance_bench_support.h"
#include "notes/imap/imap_realisation.h"
#include "notes/routing_client.h"
#include "notes/store/store_admin.h"
#include "notes/store/store_paths.h"
#include "support/temp_dir.h"

namespace vantor::bench {

// A private Dovecot with TLS (its authority trusted by this process) and a
// relay in front of its imaps port: the program and the bare clients of a
// benchmark both go through it, so both pay its hop and their bytes are
// counted alike (TLS records included).
struct ImapServer {
    test::DovecotServer dovecot;
    std::unique_ptr<CountingRelay> relay;

    ImapServer() {
        if (!dovecot.available()) return;
        dovecot.trustAuthority();
        relay = std::make_unique<CountingRelay>(dovecot.imapsPort());
    }
    bool available() const { return relay != nullptr; }
    // The address of `login`'s account as the user types it, through the relay.
    QString address(const QString& login) const {
        return QStringLiteral("imaps://%1@127.0.0.1:%2").arg(login).arg(relay->port());
    }
};

// The program's folder, client and module, its slots empty until watch().
struct ImapProgram {
    test::TempDir dir;
    QString dataRoot = dir.file(QStringLiteral("notesdata"));
    test::ScriptedDialogs dialogs;
    store::LocalClient store{dataRoot,
                             [](notes::Client&) { return std::make_unique<ClientInstantane>(); }};
    notes::RoutingClient client{store};
    ModLOTUS m{Env::Default(), &dialogs, &client, dir.path()};

    ImapProgram() {
        store::StoreAdmin admin(dataRoot);
        admin.setUser(kUser, kPassword, kServer, kMailbox);
        admin.createMailbox(kServer, kMailbox, {kUser});
        // As the program wires it: a mailbox on a mail server is no file.
        m.fichierDeBase = [root = dataRoot](const QString& server, const QString& file) {
            if (imap::isImapServer(server)) return QString();
            return store::DataRoot(root).findFile(server, file);
        };
        client.attach(
            imap::imapRealisation({dir.file(QStringLiteral("certificats.txt")),
                                   [this](const QString& line) { m.LogErreur(line); }, nullptr}));
        m.ecrireParam(keys::kPassword, CrypteMotDePasse(kPassword).value());
    }
    // Slot `slot` watches the INBOX of the account at `address`.
    void watch(int slot, const QString& address) {
        m.ecrireParam(keys::serveur(slot), address);
        m.ecrireParam(keys::bal(slot), QStringLiteral("INBOX"));
    }
};

}  // namespace vantor::bench
