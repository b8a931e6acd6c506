#include "notes/store/memo.h"

#include <ctime>

namespace vantor::store {

namespace {

// "dd/MM/yyyy HH:mm:ss", written by hand: QDateTime::toString parses its
// pattern at every call. Null for a year outside 1-9999.
QString dateText(int day, int month, int year, int hour, int minute, int second) {
    if (year < 1 || year > 9999) return QString();
    char text[] = "dd/MM/yyyy HH:mm:ss";
    auto put = [&](int at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            text[at + i] = static_cast<char>('0' + value % 10);
    };
    put(0, day, 2);
    put(3, month, 2);
    put(6, year, 4);
    put(11, hour, 2);
    put(14, minute, 2);
    put(17, second, 2);
    return QString::fromLatin1(text, sizeof text - 1);
}

// The same for the local time of an instant, through the C library's time
// zone (the one Qt's local time uses): Qt's conversion rereads the zone file
// at every call, delivery needs only the text.
QString localDateText(qint64 secsSinceEpoch) {
    const std::time_t t = static_cast<std::time_t>(secsSinceEpoch);
    std::tm local{};
    QString text;
    if (localtime_r(&t, &local))
        text = dateText(local.tm_mday, local.tm_mon + 1, local.tm_year + 1900, local.tm_hour,
                        local.tm_min, local.tm_sec);
    return text.isNull() ? dateItemText(QDateTime::fromSecsSinceEpoch(secsSinceEpoch)) : text;
}

}  // namespace

QString dateItemText(const QDateTime& when) {
    const QDate d = when.date();
    const QTime t = when.time();
    QString text;
    if (d.isValid() && t.isValid())
        text = dateText(d.day(), d.month(), d.year(), t.hour(), t.minute(), t.second());
    return text.isNull() ? when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) : text;
}

std::shared_ptr<LocalDocument> deliverMemo(LocalDatabase& database, const Memo& memo) {
    // A new document is created now, unless the memo says when.
    auto document = std::static_pointer_cast<LocalDocument>(database.createDocument());
    document->setCreated(memo.created);
    const QString delivered = memo.created.isValid()
                                  ? dateItemText(memo.created)
                                  : localDateText(document->createdSecsSinceEpoch());
    if (!memo.unid.isEmpty()) document->setUniversalID(memo.unid);
    document->appendItem(QStringLiteral("Form"), notes::kText, QStringLiteral("Memo"));
    document->appendItem(QStringLiteral("From"), notes::kText, memo.from);
    document->appendItem(QStringLiteral("SendTo"), notes::kText, memo.sendTo);
    document->appendItem(QStringLiteral("Subject"), notes::kText, memo.subject);
    document->appendItem(QStringLiteral("PostedDate"), kDateTimeItem,
                         memo.posted.isValid() ? dateItemText(memo.posted) : delivered);
    document->appendItem(QStringLiteral("DeliveredDate"), kDateTimeItem, delivered);
    document->appendItem(QStringLiteral("Body"), notes::kRichText, memo.body);
    const QString body = QStringLiteral("Body");
    for (const MemoAttachment& a : memo.attachments) {
        if (a.path.isEmpty())
            document->attachBytes(body, a.name, a.bytes);
        else
            document->attachFile(body, a.name, a.path);
    }

    Batch batch(database);
    document->save(true, false);
    for (const QString& folder : memo.folders) document->putInFolder(folder, true);
    batch.commit();
    return document;
}

}  // namespace vantor::store
