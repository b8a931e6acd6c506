#pragma once
// Five mailboxes on five servers, filled through the store's bulk path (one
// transaction per mailbox), for the benchmarks of the scan and the save.
#include <QDateTime>
#include <QString>

#include "notes/store/memo.h"
#include "notes/store/store_admin.h"

namespace vantor::benchdata {

inline constexpr int kMailboxes = 5;
inline const QString kUser = QStringLiteral("Jean Dupont/Vantor");
inline const QString kPassword = QStringLiteral("vantor");

inline QString serverOf(int slot) { return QStringLiteral("Serveur%1/Vantor").arg(slot + 1); }
inline QString fileOf(int slot) { return QStringLiteral("mail\\utilisateur%1.nsf").arg(slot + 1); }

// The user, then `documents` memos per mailbox, created from `start` on, one every `stepSeconds`.
inline void buildMailboxes(const QString& dataRoot, int documents, const QDateTime& start,
                           qint64 stepSeconds) {
    store::StoreAdmin admin(dataRoot);
    admin.setUser(kUser, kPassword, serverOf(0), fileOf(0));
    for (int slot = 0; slot < kMailboxes; ++slot) {
        auto db = admin.createMailbox(serverOf(slot), fileOf(slot), {kUser});
        store::Batch batch(*db);
        for (int i = 0; i < documents; ++i) {
            store::Memo memo;
            memo.from = QStringLiteral("Expéditeur %1/Vantor").arg(i % 50);
            memo.sendTo = kUser;
            memo.subject = QStringLiteral("Message numéro %1").arg(i);
            memo.body = QStringLiteral("Bonjour,\nceci est le message %1 de la boite %2.\nCordialement")
                            .arg(i)
                            .arg(slot + 1);
            memo.created = start.addSecs(static_cast<qint64>(i) * stepSeconds);
            store::deliverMemo(*db, memo);
        }
        batch.commit();
    }
}

}  // namespace vantor::benchdata
