#include "client/memo_draft.h"

#include <QFile>
#include <QRegularExpression>

#include "notes/store/local_database.h"
#include "notes/store/local_document.h"
#include "notes/store/memo.h"
#include "notes/store/store_codes.h"
#include "notes/workspace/workspace_codes.h"

namespace vantor::client {
namespace {

store::LocalDocument& local(notes::Document& document) {
    auto* local = dynamic_cast<store::LocalDocument*>(&document);
    if (!local)
        throw Failure(store::code::kForeignDocument,
                      QStringLiteral("Ce document n'appartient pas au client de ce poste."));
    return *local;
}

// "Jean Dupont/Vantor" is also reached as "Jean Dupont".
bool namesUser(const QString& name, const QString& user) {
    return name.compare(user, Qt::CaseInsensitive) == 0 ||
           name.compare(user.section(QLatin1Char('/'), 0, 0), Qt::CaseInsensitive) == 0;
}

}  // namespace

notes::DocumentPtr buildDraft(notes::Database& mailbox,
                              const std::vector<notes::protocol::ItemData>& items,
                              const QString& attachmentFolder) {
    notes::DocumentPtr draft = mailbox.createDocument();
    store::LocalDocument& doc = local(*draft);
    int copied = 0;
    for (const notes::protocol::ItemData& item : items) {
        doc.appendItem(item.name, item.type, item.text);
        for (const notes::protocol::AttachmentRef& a : item.attachments) {
            if (a.type != notes::kFileAttachment) continue;
            const QString copy = QStringLiteral("%1/%2").arg(attachmentFolder).arg(++copied);
            if (!QFile::copy(a.path, copy))
                throw Failure(store::code::kCannotReadFile,
                              QStringLiteral("Impossible de lire la pièce jointe « %1 » (%2).")
                                  .arg(a.name, a.path));
            doc.attachFile(item.name, a.name, copy);
        }
    }
    return draft;
}

QStringList recipients(const QString& sendTo) {
    QStringList names;
    for (const QString& part : sendTo.split(QRegularExpression(QStringLiteral("[,;]"))))
        if (!part.trimmed().isEmpty()) names << part.trimmed();
    return names;
}

void sendMemo(notes::Session& session, notes::Database& mailbox, notes::Document& memo) {
    const QStringList to = recipients(memo.itemValue(QStringLiteral("SendTo")));
    if (to.isEmpty())
        throw Failure(
            notes::workspace_code::kNoRecipient,
            QStringLiteral("Aucun destinataire : indiquez au moins un nom dans le champ A."));
    const QString user = session.userName();
    store::LocalDocument& doc = local(memo);
    if (!memo.hasItem(QStringLiteral("Form")))
        doc.appendItem(QStringLiteral("Form"), notes::kText, QStringLiteral("Memo"));
    memo.replaceItemValue(QStringLiteral("From"), user);
    const QString posted = store::dateItemText(QDateTime::currentDateTime());
    if (memo.hasItem(QStringLiteral("PostedDate")))
        memo.replaceItemValue(QStringLiteral("PostedDate"), posted);
    else
        doc.appendItem(QStringLiteral("PostedDate"), store::kDateTimeItem, posted);

    store::Batch batch(mailbox);
    if (!memo.save(true, false))
        throw Failure(notes::workspace_code::kNotSaved,
                      QStringLiteral("Le mémo n'a pas pu être envoyé."));
    memo.putInFolder(QStringLiteral("($Sent)"), true);
    if (std::any_of(to.begin(), to.end(), [&](const QString& n) { return namesUser(n, user); }))
        memo.putInFolder(QStringLiteral("($Inbox)"), true);
    batch.commit();
}

}  // namespace vantor::client
