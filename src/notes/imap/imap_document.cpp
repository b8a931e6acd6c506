#include "notes/imap/imap_document.h"

#include <algorithm>

#include "notes/imap/imap_codes.h"
#include "notes/imap/text_read_ahead.h"
#include "notes/imap/universal_id.h"

namespace vantor::imap {

namespace {

const QString kFollowUpStatus = QStringLiteral("FollowUpStatus");

QString dateText(const QDateTime& when) {
    return when.isValid() ? when.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))
                          : QString();
}

Failure cannotRewrite(const QString& what) {
    return Failure(code::kCannotRewrite,
                   QStringLiteral("Un message sur un serveur de messagerie ne peut pas être "
                                  "réécrit : %1 refusé.")
                       .arg(what));
}

}  // namespace

QByteArray priorityKeyword(int priority) {
    return "$VantorPriorite" + QByteArray::number(priority);
}

ImapDocument::ImapDocument(std::shared_ptr<MailAccount> account,
                           std::shared_ptr<DatabaseState> state, Location where,
                           const MessageSummary& summary, std::shared_ptr<TextReadAhead> readAhead)
    : account_(std::move(account)),
      state_(std::move(state)),
      where_(std::move(where)),
      unid_(universalIdOf(summary.envelope, summary.size)),
      created_(summary.internalDate),
      flags_(summary.flags),
      messageId_(summary.envelope.messageId) {
    if (!summary.envelope.from.empty()) {
        fromMailbox_ = summary.envelope.from.front().mailbox;
        fromHost_ = summary.envelope.from.front().host;
    }
    arrival_ = account_->marks().arrival(
        where_.folder, where_.uidValidity, where_.uid,
        created_.isValid() ? created_.toSecsSinceEpoch() : ArrivalMarks::kBefore);
    account_->remember(unid_, messageId_, where_);

    const mime::Message& header = summary.header;
    inReplyTo_ = header.inReplyTo.toUtf8();
    auto text = [this](const char* name, const QString& value, int type = notes::kText) {
        items_.push_back(std::make_shared<ImapItem>(QString::fromLatin1(name), type, value));
    };
    text("Form", header.inReplyTo.isEmpty() ? QStringLiteral("Memo") : QStringLiteral("Reply"));
    text("From", header.from.value_or(QString()));
    text("SendTo", header.to);
    if (!header.cc.isEmpty()) text("CopyTo", header.cc);
    text("Subject", header.subject);
    text("PostedDate", dateText(header.date.isValid() ? header.date : created_), kDateTimeItem);
    text("DeliveredDate", dateText(created_), kDateTimeItem);
    if (!header.messageId.isEmpty())
        text("$MessageID", QLatin1Char('<') + header.messageId + QLatin1Char('>'));
    if (!readAhead)
        readAhead = std::make_shared<TextReadAhead>(
            account_, where_.ref(),
            std::make_shared<const std::vector<MessageSummary>>(1, summary));
    content_ =
        std::make_shared<MessageContent>(account_, where_, summary.body, std::move(readAhead));
    items_.push_back(std::make_shared<ImapBodyItem>(content_));
}

ImapDocument::ImapDocument(std::shared_ptr<MailAccount> account, QByteArray inReplyTo)
    : account_(std::move(account)), inReplyTo_(std::move(inReplyTo)) {
    created_ = QDateTime::currentDateTimeUtc();
}

void ImapDocument::requireStored(const QString& action) const {
    if (isDraft())
        throw Failure(code::kCannotRewrite,
                      QStringLiteral("Un brouillon ne peut pas être enregistré sur le serveur : %1 "
                                     "refusé.")
                          .arg(action));
    if (removed_)
        throw Failure(
            notes::code::kDocumentRemoved,
            QStringLiteral("Le message n'est plus sur le serveur : %1 impossible.").arg(action));
}

void ImapDocument::setCreated(const QDateTime&) {
    throw cannotRewrite(QStringLiteral("changement de date"));
}

void ImapDocument::setUniversalID(const QString& unid) {
    if (!isDraft()) throw cannotRewrite(QStringLiteral("changement d'identifiant"));
    unid_ = unid;
}

std::vector<notes::ItemPtr> ImapDocument::items() const {
    std::vector<notes::ItemPtr> out;
    QMap<QString, QString> pending = changed_;
    for (const notes::ItemPtr& item : items_) {
        const auto c =
            std::find_if(pending.keyValueBegin(), pending.keyValueEnd(), [&](const auto& kv) {
                return kv.first.compare(item->name(), Qt::CaseInsensitive) == 0;
            });
        if (c == pending.keyValueEnd()) {
            out.push_back(item);
            continue;
        }
        out.push_back(std::make_shared<ImapItem>(item->name(), notes::kText, c->second));
        pending.remove(c->first);
    }
    for (auto [name, value] : pending.asKeyValueRange())
        out.push_back(std::make_shared<ImapItem>(name, notes::kText, value));
    return out;
}

notes::ItemPtr ImapDocument::getFirstItem(const QString& name) const {
    for (auto [changedName, value] : changed_.asKeyValueRange())
        if (changedName.compare(name, Qt::CaseInsensitive) == 0)
            return std::make_shared<ImapItem>(changedName, notes::kText, value);
    for (const notes::ItemPtr& item : items_)
        if (item->name().compare(name, Qt::CaseInsensitive) == 0) return item;
    return nullptr;
}

bool ImapDocument::hasItem(const QString& name) const {
    return getFirstItem(name) != nullptr;
}

QString ImapDocument::itemValue(const QString& name) const {
    const notes::ItemPtr item = getFirstItem(name);
    return item ? item->text() : QString();
}

void ImapDocument::replaceItemValue(const QString& name, const QString& value) {
    for (auto [changedName, old] : changed_.asKeyValueRange())
        if (changedName.compare(name, Qt::CaseInsensitive) == 0) {
            changed_[changedName] = value;
            return;
        }
    changed_.insert(name, value);
}

bool ImapDocument::sentByUser(const QString&) const {
    return !isDraft() && account_->isOwnAddress(fromMailbox_, fromHost_);
}

void ImapDocument::appendItemCopy(const notes::Item& item) {
    throw cannotRewrite(QStringLiteral("ajout de l'élément %1").arg(item.name()));
}

bool ImapDocument::save(bool, bool, bool) {
    requireStored(QStringLiteral("enregistrement"));
    std::optional<int> priority;
    for (auto [name, value] : changed_.asKeyValueRange()) {
        if (name.compare(kFollowUpStatus, Qt::CaseInsensitive) == 0) {
            const int p = value.toInt();
            if (p < 1 || p > 3)
                throw cannotRewrite(QStringLiteral("suivi « %1 »").arg(value.left(20)));
            priority = p;
        } else if (!(name.startsWith(QLatin1String("FollowUp"), Qt::CaseInsensitive) &&
                     value.isEmpty())) {
            // The follow-up's other fields are cleared by the popup: nothing to hold.
            throw cannotRewrite(QStringLiteral("modification de l'élément %1").arg(name));
        }
    }
    if (priority) {
        Account& a = account_->account();
        std::vector<QByteArray> others;
        for (int p = 1; p <= 3; ++p)
            if (p != *priority) others.push_back(priorityKeyword(p));
        const UidSet uid = UidSet::of({where_.uid});
        a.storeFlags(where_.ref(), uid, others, false);
        a.storeFlags(where_.ref(), uid, {"\\Flagged", priorityKeyword(*priority)}, true);
    }
    changed_.clear();
    return true;
}

void ImapDocument::removedFromServer() {
    removed_ = true;
    account_->forget(unid_, where_);
}

bool ImapDocument::remove(bool) {
    if (isDraft() || removed_) return false;
    if (state_ && state_->batchDepth > 0) {
        state_->pendingRemovals[{where_.folder, where_.uidValidity}].add(where_.uid, where_.uid);
    } else {
        account_->account().expunge(where_.ref(), UidSet::of({where_.uid}));
    }
    removedFromServer();
    return true;
}

bool ImapDocument::trash() {
    if (isDraft() || removed_) return false;
    const std::optional<Folder> trash = account_->trashFolder();
    if (!trash || trash->raw == where_.folder) return remove(true);
    account_->account().move(where_.ref(), UidSet::of({where_.uid}), trash->raw);
    removedFromServer();
    return true;
}

void ImapDocument::putInFolder(const QString& folder, bool createOnFail) {
    requireStored(QStringLiteral("classement"));
    Account& a = account_->account();
    const QByteArray target = account_->rawOf(folder);
    if (target == where_.folder) return;
    const UidSet uid = UidSet::of({where_.uid});
    std::optional<CopyUid> copied;
    try {
        copied = a.copy(where_.ref(), uid, target);
    } catch (const Failure& f) {
        if (f.code() != code::kMailboxNotFound || !createOnFail) throw;
        a.create(target);
        copied = a.copy(where_.ref(), uid, target);
    }
    if (!copied || copied->destination.isEmpty()) {
        account_->log()(QStringLiteral("La copie de « %1 » dans %2 n'a pas pu être marquée : le "
                                       "serveur %3 ne dit pas son numéro (UIDPLUS).")
                            .arg(itemValue(QStringLiteral("Subject")).left(80), folder,
                                 a.address().hostPort()));
        return;
    }
    a.storeFlags(FolderRef{target, copied->uidValidity}, copied->destination, {kCopyKeyword}, true);
}

void ImapDocument::removeFromFolder(const QString& folder) {
    requireStored(QStringLiteral("retrait du dossier"));
    Account& a = account_->account();
    const QByteArray target = account_->rawOf(folder);
    if (target == where_.folder) {
        if (std::any_of(flags_.begin(), flags_.end(), [](const QByteArray& f) {
                return f.compare(kCopyKeyword, Qt::CaseInsensitive) == 0;
            }))
            remove(true);
        return;
    }
    // Another copy of the message, there: the one this program made, if any.
    std::vector<quint32> copies;
    quint32 uidValidity = 0;
    for (const Location& l : account_->locationsOf(unid_))
        if (l.folder == target) {
            for (const MessageSummary& s : a.fetchSummaries(l.ref(), UidSet::of({l.uid}), "DATE"))
                if (std::any_of(s.flags.begin(), s.flags.end(), [](const QByteArray& f) {
                        return f.compare(kCopyKeyword, Qt::CaseInsensitive) == 0;
                    })) {
                    copies.push_back(s.uid);
                    uidValidity = l.uidValidity;
                }
        }
    if (copies.empty()) return;
    a.expunge(FolderRef{target, uidValidity}, UidSet::of(copies));
    for (quint32 uid : copies) account_->forget(unid_, Location{target, uidValidity, uid});
}

void ImapDocument::moveToFolder(const QString& folder, const QString&) {
    requireStored(QStringLiteral("déplacement"));
    Account& a = account_->account();
    const QByteArray target = account_->rawOf(folder);
    if (target == where_.folder) return;
    a.move(where_.ref(), UidSet::of({where_.uid}), target);
    removedFromServer();
}

}  // namespace vantor::imap
