#include "notes/imap/imap_database.h"

#include "notes/imap/imap_client.h"
#include "notes/imap/imap_codes.h"

namespace vantor::imap {

namespace {

class ImapWriteBatch : public notes::WriteBatch {
  public:
    ImapWriteBatch(std::shared_ptr<MailAccount> account, std::shared_ptr<DatabaseState> state)
        : account_(std::move(account)), state_(std::move(state)) {
        ++state_->batchDepth;
    }
    ~ImapWriteBatch() override {
        // Dropped without commit: the removals it held do not happen.
        if (!committed_ && --state_->batchDepth == 0) state_->pendingRemovals.clear();
    }
    void commit() override {
        if (committed_) return;
        committed_ = true;
        if (--state_->batchDepth > 0) return;
        auto pending = std::move(state_->pendingRemovals);
        state_->pendingRemovals.clear();
        for (const auto& [folder, uids] : pending)
            account_->account().expunge(FolderRef{folder.first, folder.second}, uids);
    }

  private:
    std::shared_ptr<MailAccount> account_;
    std::shared_ptr<DatabaseState> state_;
    bool committed_ = false;
};

}  // namespace

ImapDatabase::ImapDatabase(ImapClient& client, QString server, QString root, QString password)
    : client_(client),
      server_(std::move(server)),
      root_(std::move(root)),
      password_(std::move(password)) {}

void ImapDatabase::open() {
    std::shared_ptr<MailAccount> account = client_.accountFor(server_, password_);
    account->account().connect();  // nothing sent on a connection already open
    // The cached list while fresh: a scan with nothing new costs its STATUS alone.
    const std::vector<Folder> folders = account->folders(root_);
    if (folders.empty())
        throw Failure(code::kMailboxNotFound,
                      QStringLiteral("Le compte %1 n'a pas de boîte « %2 » sur le serveur %3.")
                          .arg(account->account().address().account(), root_,
                               account->account().address().hostPort()));
    account->observeNew(account->watchedFolders(root_));
    account_ = std::move(account);
}

MailAccount& ImapDatabase::ready() const {
    if (!account_)
        throw Failure(
            code::kMailboxNotFound,
            QStringLiteral("La boîte %1 du serveur %2 n'est pas ouverte.").arg(root_, server_));
    return *account_;
}

notes::ViewPtr ImapDatabase::allView() {
    std::vector<ImapView::Source> sources;
    for (const Folder& f : ready().watchedFolders(root_))
        sources.push_back({f.raw, std::nullopt, 0});
    return std::make_shared<ImapView>(account_, state_, QStringLiteral("($All)"), false,
                                      std::move(sources));
}

std::vector<notes::ViewPtr> ImapDatabase::views() {
    std::vector<notes::ViewPtr> out{allView()};
    for (const Folder& f : ready().folders(root_))
        out.push_back(
            std::make_shared<ImapView>(account_, state_, MailAccount::nameOf(f), true,
                                       std::vector<ImapView::Source>{{f.raw, std::nullopt, 0}}));
    return out;
}

notes::ViewPtr ImapDatabase::getView(const QString& name) {
    if (name.compare(QLatin1String("($All)"), Qt::CaseInsensitive) == 0) return allView();
    for (const Folder& f : ready().folders(root_))
        if (MailAccount::nameOf(f).compare(name, Qt::CaseInsensitive) == 0)
            return std::make_shared<ImapView>(
                account_, state_, MailAccount::nameOf(f), true,
                std::vector<ImapView::Source>{{f.raw, std::nullopt, 0}});
    return nullptr;
}

notes::DocumentPtr ImapDatabase::documentAt(const Location& where, const QString& unid) {
    for (const MessageSummary& s :
         ready().account().fetchSummaries(where.ref(), UidSet::of({where.uid}), kItemHeaders)) {
        auto doc = std::make_shared<ImapDocument>(account_, state_, where, s);
        if (doc->universalID() == unid) return doc;
    }
    return nullptr;
}

notes::DocumentPtr ImapDatabase::getDocumentByUNID(const QString& unid) {
    MailAccount& account = ready();
    std::vector<Location> places = account.locationsOf(unid);
    std::stable_partition(places.begin(), places.end(),
                          [](const Location& l) { return l.folder != "Recherche"; });
    notes::DocumentPtr found;
    for (const Location& l : places) {
        try {
            if ((found = documentAt(l, unid))) break;
        } catch (const Failure& f) {
            if (f.code() != code::kFolderRenumbered && f.code() != code::kMailboxNotFound) throw;
        }
        account.forget(unid, l);
    }
    const QByteArray messageId = account.messageIdOf(unid);
    if (!found && !messageId.isEmpty()) {
        // Moved meanwhile (by another program): looked for where the watch looks.
        for (const Folder& f : account.watchedFolders(root_)) {
            const std::vector<FolderStatus> status = account.account().status({f.raw});
            if (!status.front().found) continue;
            const FolderRef ref{f.raw, status.front().uidValidity};
            const UidSet uids = account.account().search(
                ref, {SearchTerm::atom("HEADER"), SearchTerm::text(QStringLiteral("Message-ID")),
                      SearchTerm::text(QString::fromUtf8(messageId))});
            for (quint32 uid : uids.values(64))
                if ((found = documentAt(Location{f.raw, ref.uidValidity, uid}, unid))) break;
            if (found) break;
        }
    }
    if (found) state_->answeredMessageId = messageId;
    return found;
}

notes::DocumentPtr ImapDatabase::createDocument() {
    return std::make_shared<ImapDocument>(account_, state_->answeredMessageId);
}

notes::ViewPtr ImapDatabase::searchCandidates(const QString& phrase) {
    MailAccount& account = ready();
    const std::vector<Folder> folders = account.watchedFolders(root_);
    std::vector<QByteArray> raws;
    for (const Folder& f : folders) raws.push_back(f.raw);
    std::vector<ImapView::Source> sources;
    for (const FolderStatus& s : account.account().status(raws)) {
        if (!s.found) continue;
        UidSet uids = account.account().search(
            FolderRef{s.raw, s.uidValidity},
            {SearchTerm::atom("OR"), SearchTerm::atom("SUBJECT"), SearchTerm::text(phrase),
             SearchTerm::atom("BODY"), SearchTerm::text(phrase)});
        if (!uids.isEmpty()) sources.push_back({s.raw, std::move(uids), s.uidValidity});
    }
    return std::make_shared<ImapView>(account_, state_, QStringLiteral("($All)"), false,
                                      std::move(sources));
}

notes::WriteBatchPtr ImapDatabase::beginWriteBatch() {
    return std::make_unique<ImapWriteBatch>(account_, state_);
}

}  // namespace vantor::imap
