#include "notes/store/memo.h"

namespace vantor::store {

QString dateItemText(const QDateTime& when) { return when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")); }

std::shared_ptr<LocalDocument> deliverMemo(LocalDatabase& database, const Memo& memo) {
    auto document = std::static_pointer_cast<LocalDocument>(database.createDocument());
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime created = memo.created.isValid() ? memo.created : now;
    document->setCreated(created);
    if (!memo.unid.isEmpty()) document->setUniversalID(memo.unid);
    document->appendItem(QStringLiteral("Form"), notes::kText, QStringLiteral("Memo"));
    document->appendItem(QStringLiteral("From"), notes::kText, memo.from);
    document->appendItem(QStringLiteral("SendTo"), notes::kText, memo.sendTo);
    document->appendItem(QStringLiteral("Subject"), notes::kText, memo.subject);
    document->appendItem(QStringLiteral("PostedDate"), kDateTimeItem,
                         dateItemText(memo.posted.isValid() ? memo.posted : created));
    document->appendItem(QStringLiteral("DeliveredDate"), kDateTimeItem, dateItemText(created));
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
