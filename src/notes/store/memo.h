#pragma once
// Delivery of a mail memo into a database, as the mail router does it.
#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <memory>
#include <vector>

#include "notes/store/local_database.h"
#include "notes/store/local_document.h"

namespace vantor::store {

struct MemoAttachment {
    QString name;
    QString path;      // read from this file at delivery...
    QByteArray bytes;  // ...or these bytes when `path` is empty
};

struct Memo {
    QString from;
    QString sendTo;
    QString subject;
    QString body;
    QDateTime posted;   // invalid: the delivery time
    QDateTime created;  // invalid: now
    QString unid;       // empty: a random universal ID
    std::vector<MemoAttachment> attachments;
    QStringList folders{QStringLiteral("($Inbox)")};
};

// Saves the memo and files it, all in one transaction. Items, in order:
// Form ("Memo"), From, SendTo, Subject, PostedDate, DeliveredDate, Body (rich
// text holding the attachments).
std::shared_ptr<LocalDocument> deliverMemo(LocalDatabase& database, const Memo& memo);

// The text form of date-time items: "dd/MM/yyyy HH:mm:ss".
QString dateItemText(const QDateTime& when);

}  // namespace vantor::store
