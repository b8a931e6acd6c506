#pragma once
// The one user of the tests, her server and mailbox, and the memo that arrives in it.
#include <QString>

#include "notes/store/local_document.h"
#include "notes/store/memo.h"
#include "notes/store/store_admin.h"

namespace vantor::test {

inline const QString kUser = QStringLiteral("Jean Dupont/Vantor");
inline const QString kPassword = QStringLiteral("vantor");
inline const QString kServer = QStringLiteral("Paris/Vantor");
inline const QString kMailbox = QStringLiteral("mail\\jdupont.nsf");

// The user, her server and her mailbox in the data root of `admin`; the mailbox.
inline std::shared_ptr<store::LocalDatabase> createUserMailbox(store::StoreAdmin& admin) {
    admin.setUser(kUser, kPassword, kServer, kMailbox);
    admin.createServer(kServer);
    return admin.createMailbox(kServer, kMailbox, {kUser});
}

// A memo from Marie Curie to the user, its body "Corps de <subject>".
inline store::Memo memo(const QString& subject) {
    store::Memo m;
    m.from = QStringLiteral("Marie Curie/Vantor");
    m.sendTo = kUser;
    m.subject = subject;
    m.body = QStringLiteral("Corps de ") + subject;
    return m;
}

// Delivers `m` into `db`; the document filed in the inbox.
inline std::shared_ptr<store::LocalDocument> deliver(store::LocalDatabase& db,
                                                     const store::Memo& m) {
    return store::deliverMemo(db, m);
}
inline std::shared_ptr<store::LocalDocument> deliver(store::LocalDatabase& db,
                                                     const QString& subject) {
    return store::deliverMemo(db, memo(subject));
}

}  // namespace vantor::test
