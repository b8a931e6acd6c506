#include "notes/imap/imap_database.h"

#include "notes/imap/imap_client.h"
#include "notes/imap/imap_codes.h"
#include "notes/imap/text_read_ahead.h"

namespace vantor::imap {

namespace {

std::vector<Location> placesOf(const MailAccount& account, const QString& unid) {
    std::vector<Location> places = account.locationsOf(unid);
    std::stable_partition(places.begin(), places.end(),
                          [](const Location& l) { return l.folder != "Recherche"; });
    return places;
}

auto keyOf(const Location& l) {
    return std::tuple(l.folder, l.uidValidity, l.uid);
}

class ImapWriteBatch : public notes::WriteBatch {
  public:
    ImapWriteBatch(std::shared_ptr<MailAccount> account, std::shared_ptr<DatabaseState> state)
        : account_(std::move(account)), state_(std::move(state)) {
        ++state_->batchDepth;
    }
    ~ImapWriteBatch() override {
        // Dropped without commit: the removals it held do not happen.
        if (!committed_ && --state_->batchDepth == 0) {
            state_->pendingRemovals.clear();
            state_->expected.clear();
        }
    }
    void commit() override {
        if (committed_) return;
        committed_ = true;
        if (--state_->batchDepth > 0) return;
        state_->expected.clear();
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
    if (const auto e = state_->expected.find(keyOf(where)); e != state_->expected.end()) {
        std::shared_ptr<ImapDocument> doc = std::move(e->second);
        state_->expected.erase(e);
        if (doc->universalID() == unid) return doc;
    }
    for (const MessageSummary& s :
         ready().account().fetchSummaries(where.ref(), UidSet::of({where.uid}), kItemHeaders)) {
        auto doc = std::make_shared<ImapDocument>(account_, state_, where, s);
        if (doc->universalID() == unid) return doc;
    }
    return nullptr;
}

void ImapDatabase::expectLookups(const QStringList& unids) {
    MailAccount& account = ready();
    state_->expected.clear();
    std::map<std::pair<QByteArray, quint32>, std::vector<quint32>> uidsByFolder;
    for (const QString& unid : unids) {
        const std::vector<Location> places = placesOf(account, unid);
        if (!places.empty())
            uidsByFolder[{places.front().folder, places.front().uidValidity}].push_back(
                places.front().uid);
    }
    // Every folder's exchange is sent before the first answer is waited for.
    std::vector<std::pair<FolderRef, std::function<std::vector<MessageSummary>()>>> asked;
    for (const auto& [folder, uids] : uidsByFolder) {
        const FolderRef ref{folder.first, folder.second};
        asked.emplace_back(
            ref, account.account().fetchSummariesAhead(ref, UidSet::of(uids), kItemHeaders));
    }
    for (auto& [ref, answer] : asked) {
        auto batch = std::make_shared<const std::vector<MessageSummary>>(answer());
        auto readAhead =
            std::make_shared<TextReadAhead>(account_, ref, batch, TextReadAhead::Order::any);
        readAhead->start();
        for (const MessageSummary& s : *batch) {
            const Location where{ref.raw, ref.uidValidity, s.uid};
            state_->expected[keyOf(where)] =
                std::make_shared<ImapDocument>(account_, state_, where, s, readAhead);
        }
    }
}

notes::DocumentPtr ImapDatabase::getDocumentByUNID(const QString& unid) {
    MailAccount& account = ready();
    const std::vector<Location> places = placesOf(account, unid);
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
