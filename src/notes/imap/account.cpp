#include "notes/imap/account.h"

#include <QMutex>
#include <QObject>
#include <algorithm>
#include <map>
#include <set>

#include "notes/imap/certificate_trust.h"
#include "notes/imap/imap_codes.h"
#include "notes/imap/keyring.h"
#include "notes/imap/mailbox_name.h"
#include "notes/imap/network_thread.h"
#include "notes/notes.h"
#include "platform/env.h"

namespace vantor::imap {

// Carries IDLE's news from the network thread to the account's thread,
// through a receiver object living there. Nothing of Qt is called when the
// relay itself goes: events that carry it may be dropped while Qt holds its
// event-queue lock (at exit), so it is a plain object.
class NewMailRelay {
public:
    std::function<void()> listener;  // touched on the account's thread only

    explicit NewMailRelay(QObject* receiver) : receiver_(receiver) {}
    // From the network thread: calls the listener on the account's thread.
    static void notify(const std::shared_ptr<NewMailRelay>& relay) {
        QMutexLocker lock(&relay->mutex_);
        if (!relay->receiver_) return;
        QMetaObject::invokeMethod(
            relay->receiver_,
            [relay] {
                if (relay->listener) relay->listener();
            },
            Qt::QueuedConnection);
    }
    // The account goes: nothing is posted from now on.
    void detach() {
        QMutexLocker lock(&mutex_);
        receiver_ = nullptr;
        listener = nullptr;
    }

private:
    QMutex mutex_;
    QObject* receiver_;
};

namespace {

// For the exchanges whose untagged responses say nothing the caller needs.
const Sink kIgnore = [](Response&&) {};

// STATUS is asked with no folder selected (see Selection::none).
const Selection kNothingSelected = [] {
    Selection s;
    s.none = true;
    return s;
}();

// Header lines read as a mail reader reads them; unreadable ones read as none.
mime::Message headerOf(const QByteArray& fields) {
    try {
        return mime::readMessage(fields.endsWith("\r\n\r\n") ? fields : fields + "\r\n");
    } catch (const Failure&) {
        return {};
    }
}

bool isAscii(const QByteArray& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

QByteArray flagList(const std::vector<QByteArray>& flags) {
    QByteArray out = "(";
    for (const QByteArray& f : flags) out += (out.size() > 1 ? " " : "") + f;
    return out + ')';
}

}  // namespace

Account::Account(NetworkThread& network, AccountSettings settings)
    : network_(network),
      settings_(std::move(settings)),
      env_(settings_.env ? settings_.env : Env::Default()),
      outage_(settings_.firstRetryDelayMs, settings_.maxRetryDelayMs),
      receiver_(std::make_unique<QObject>()),
      relay_(std::make_shared<NewMailRelay>(receiver_.get())),
      idleOutage_(settings_.firstRetryDelayMs, settings_.maxRetryDelayMs) {
    settings_.connection.address = settings_.address;
}

Account::~Account() {
    relay_->detach();
    if (idle_) idle_->close();
    if (connection_) connection_->close();
}

void Account::setSessionPassword(const QString& password) { sessionPassword_ = password; }

qint64 Account::bytesRead() const {
    return (connection_ ? connection_->bytesRead() : 0) + (idle_ ? idle_->bytesRead() : 0);
}

// Connecting ------------------------------------------------------------------

void Account::openConnection(Connection& connection, bool forIdle) {
    const QString key = settings_.address.account();
    QString password = sessionPassword_;
    bool fromKeyring = false;
    bool keyringEmpty = false;
    if (settings_.useKeyring) {
        const KeyringEntry entry = readKeyring(key, settings_.keyringTimeoutMs);
        fromKeyring = entry.password.has_value();
        keyringEmpty = entry.keyringPresent && !fromKeyring;
        if (fromKeyring) password = *entry.password;
    }
    const QStringList trusted = trustedFingerprints(*env_, settings_.trustFile,
                                                    settings_.address.hostPort(), settings_.log);
    try {
        connection.open(password, trusted);
    } catch (const Failure& f) {
        if (f.code() == notes::code::kWrongPassword && fromKeyring)
            throw Failure(f.code(), f.description() +
                                        QStringLiteral(" Le mot de passe essayé est celui du trousseau de clés."));
        throw;
    }
    if (keyringEmpty && !forIdle && !password.isEmpty())
        writeKeyring(key, password, settings_.keyringTimeoutMs);
}

void Account::connect() {
    if (connection_ && connection_->isOpen()) return;
    const QDateTime now = env_->now();
    if (outage_.waiting(now))
        throw Failure(notes::code::kServerUnavailable,
                      QStringLiteral("Le serveur %1 est injoignable ; nouvel essai à %2.")
                          .arg(settings_.address.hostPort(),
                               outage_.retryAt().toString(QStringLiteral("HH:mm:ss"))));
    if (!connection_) connection_ = std::make_unique<Connection>(network_, settings_.connection);
    try {
        openConnection(*connection_, false);
    } catch (const Failure& f) {
        if (f.code() == notes::code::kServerUnavailable) outage_.failed(now);
        throw;
    }
    outage_.reachable();
}

bool Account::has(QByteArrayView capability) {
    connect();
    return connection_->capabilities().has(capability);
}

ExchangeResult Account::run(const std::vector<Command>& commands, const Sink& sink,
                            const Selection& selection, bool retry) {
    const bool reused = connection_ && connection_->isOpen();
    ++exchanges_;
    connect();
    ensureWatch();
    try {
        return connection_->exchange(commands, sink, selection);
    } catch (const Failure& f) {
        if (f.code() != notes::code::kServerUnavailable) throw;
        if (!reused || !retry) {
            outage_.failed(env_->now());
            throw;
        }
    }
    // A connection that had died while unused: once more on a new one.
    connect();
    try {
        return connection_->exchange(commands, sink, selection);
    } catch (const Failure& f) {
        if (f.code() == notes::code::kServerUnavailable) outage_.failed(env_->now());
        throw;
    }
}

Failure Account::refused(const Command& command, const Completion& completion) const {
    if (completion.code && (completion.code->name == "TRYCREATE" || completion.code->name == "NONEXISTENT"))
        return Failure(code::kMailboxNotFound,
                       QStringLiteral("Le serveur %1 ne connaît pas le dossier demandé (%2) : %3")
                           .arg(settings_.address.hostPort(), QString::fromLatin1(command.verb()),
                                QString::fromUtf8(completion.text)));
    return Failure(code::kCommandRefused,
                   QStringLiteral("Le serveur %1 refuse la commande %2 : %3")
                       .arg(settings_.address.hostPort(), QString::fromLatin1(command.verb()),
                            QString::fromUtf8(completion.text)));
}

// The watch of the INBOX ------------------------------------------------------

void Account::setNewMailListener(std::function<void()> listener) {
    relay_->listener = std::move(listener);
    if (!relay_->listener && idle_) idle_->close();
}

// Starts IDLE when a listener waits for it and it is not running; a failure
// here only delays the next try (the scan's timer still sees everything).
void Account::ensureWatch() {
    if (!relay_->listener || (idle_ && idle_->isOpen())) return;
    const QDateTime now = env_->now();
    if (idleOutage_.waiting(now) || !connection_->capabilities().has("IDLE")) return;
    if (!idle_) idle_ = std::make_unique<Connection>(network_, settings_.connection);
    try {
        openConnection(*idle_, true);
        idle_->exchange({}, kIgnore, Selection{"INBOX"});
    } catch (const Failure&) {
        idle_->close();
        idleOutage_.failed(now);
        return;
    }
    idleOutage_.reachable();
    const std::shared_ptr<NewMailRelay> relay = relay_;
    idle_->idle([relay] { NewMailRelay::notify(relay); }, [](const Failure&) {});
}

// Operations --------------------------------------------------------------------

std::vector<Folder> Account::folders(bool refresh) {
    const QDateTime now = env_->now();
    if (!refresh && foldersRead_.isValid() && foldersRead_ <= now &&
        foldersRead_.secsTo(now) < settings_.folderListMaxAgeSecs)
        return folders_;
    connect();
    Command root("LIST");
    root.string("").string("");
    Command all("LIST");
    all.string("").string("*");
    if (has("LIST-EXTENDED") && has("SPECIAL-USE")) all.raw("RETURN (SPECIAL-USE)");
    const std::vector<Command> commands{root, all};
    struct Found {
        std::vector<ListEntry> entries;
        char rootDelimiter = 0;
    };
    auto found = std::make_shared<Found>();
    const ExchangeResult r = run(
        commands,
        [found](Response&& response) {
            auto e = decodeList(response);
            if (!e) return;
            if (e->rawName.isEmpty())
                found->rootDelimiter = e->delimiter;
            else
                found->entries.push_back(std::move(*e));
        },
        {}, true);
    if (!r.completions[1].ok()) throw refused(all, r.completions[1]);
    delimiter_ = found->rootDelimiter;
    std::vector<Folder> folders;
    folders.reserve(found->entries.size());
    for (const ListEntry& e : found->entries) {
        if (!delimiter_ && e.delimiter) delimiter_ = e.delimiter;
        Folder f{e.rawName, e.name, e.delimiter, e.selectable, e.specialUse};
        if (e.delimiter) f.path.replace(QLatin1Char(e.delimiter), QLatin1Char('\\'));
        folders.push_back(std::move(f));
    }
    folders_ = std::move(folders);
    foldersRead_ = now;
    return folders_;
}

QByteArray Account::rawName(const QString& path) {
    if (path.compare(QLatin1String("INBOX"), Qt::CaseInsensitive) == 0) return "INBOX";
    if (!delimiter_) folders();
    const char delimiter = delimiter_ ? delimiter_ : '/';
    QByteArray raw;
    for (const QString& part : path.split(QLatin1Char('\\'))) {
        if (!raw.isEmpty()) raw += delimiter;
        raw += encodeMailboxName(part);
    }
    return raw;
}

std::vector<FolderStatus> Account::status(const std::vector<QByteArray>& folders) {
    std::vector<FolderStatus> out;
    out.reserve(folders.size());
    const QByteArray items = has("CONDSTORE") ? "(UIDNEXT UIDVALIDITY MESSAGES HIGHESTMODSEQ)"
                                              : "(UIDNEXT UIDVALIDITY MESSAGES)";
    constexpr std::size_t kPerBatch = 1000;  // keeps a batch's writes and answers moderate
    for (std::size_t from = 0; from < folders.size(); from += kPerBatch) {
        const std::size_t to = std::min(folders.size(), from + kPerBatch);
        std::vector<Command> commands;
        for (std::size_t i = from; i < to; ++i) {
            commands.emplace_back("STATUS");
            commands.back().astring(folders[i]).raw(items);
        }
        auto entries = std::make_shared<std::map<QByteArray, StatusEntry>>();
        for (std::size_t i = from; i < to; ++i)
            (*entries)[folders[i].compare("INBOX", Qt::CaseInsensitive) == 0 ? "INBOX" : folders[i]];
        const ExchangeResult r = run(
            commands,
            [entries](Response&& response) {
                auto s = decodeStatus(response);
                if (!s) return;
                const auto e = entries->find(s->rawName);  // names asked for only
                if (e != entries->end()) e->second = std::move(*s);
            },
            kNothingSelected, true);
        for (std::size_t i = from; i < to; ++i) {
            FolderStatus s;
            s.raw = folders[i];
            const auto e = entries->find(folders[i].compare("INBOX", Qt::CaseInsensitive) == 0 ? "INBOX" : folders[i]);
            s.found = r.completions[i - from].ok() && e != entries->end() && e->second.uidNext &&
                      e->second.uidValidity;
            if (s.found) {
                s.uidNext = static_cast<quint32>(*e->second.uidNext);
                s.uidValidity = static_cast<quint32>(*e->second.uidValidity);
                s.messages = e->second.messages.value_or(0);
                s.highestModSeq = e->second.highestModSeq;
            }
            out.push_back(std::move(s));
        }
    }
    return out;
}

UidSet Account::search(const FolderRef& folder, const std::vector<SearchTerm>& criteria) {
    Command c("UID SEARCH");
    if (has("ESEARCH")) c.raw("RETURN (ALL)");
    if (std::any_of(criteria.begin(), criteria.end(),
                    [](const SearchTerm& t) { return t.isString && !isAscii(t.bytes); }))
        c.raw("CHARSET UTF-8");
    for (const SearchTerm& t : criteria) t.isString ? c.string(t.bytes) : c.raw(t.bytes);
    auto found = std::make_shared<UidSet>();
    const ExchangeResult r = run(
        {c},
        [found](Response&& response) {
            if (const auto set = decodeSearch(response)) found->unite(*set);
        },
        Selection{folder.raw, folder.uidValidity, true}, true);
    if (!r.completions[0].ok()) throw refused(c, r.completions[0]);
    return std::move(*found);
}

template <class T>
struct Account::Batch {
    std::vector<Command> commands;
    Sink sink;
    Selection selection;
    std::function<T()> result;  // what the sink gathered, once the exchange is over
};

void Account::requireOk(const std::vector<Command>& commands, const ExchangeResult& result) const {
    for (std::size_t i = 0; i < commands.size(); ++i)
        if (!result.completions[i].ok()) throw refused(commands[i], result.completions[i]);
}

template <class T>
T Account::runBatch(const Batch<T>& batch) {
    if (batch.commands.empty()) return batch.result();
    requireOk(batch.commands, run(batch.commands, batch.sink, batch.selection, true));
    return batch.result();
}

template <class T>
std::function<T()> Account::ahead(std::function<std::shared_ptr<Batch<T>>()> make) {
    std::shared_ptr<Batch<T>> batch = make();
    std::shared_ptr<PendingExchange> sent;
    if (!batch->commands.empty() && connection_ && connection_->isOpen() && !outage_.ongoing()) {
        ++exchanges_;
        sent = connection_->send(batch->commands, batch->sink, batch->selection);
    }
    return [this, make = std::move(make), batch, sent]() -> T {
        if (!sent) return runBatch(*batch);
        try {
            requireOk(batch->commands, connection_->collect(*sent));
            return batch->result();
        } catch (const Failure& f) {
            if (f.code() != notes::code::kServerUnavailable) throw;
        }
        return runBatch(*make());  // afresh: nothing half gathered is kept
    };
}

std::vector<MessageSummary> Account::fetchSummaries(const FolderRef& folder, const UidSet& uids,
                                                    const QByteArray& headerFields) {
    return runBatch(*summariesBatch(folder, uids, headerFields));
}

std::function<std::vector<MessageSummary>()> Account::fetchSummariesAhead(
    const FolderRef& folder, const UidSet& uids, const QByteArray& headerFields) {
    return ahead<std::vector<MessageSummary>>(
        [this, folder, uids, headerFields] { return summariesBatch(folder, uids, headerFields); });
}

std::shared_ptr<Account::Batch<std::vector<MessageSummary>>> Account::summariesBatch(
    const FolderRef& folder, const UidSet& uids, const QByteArray& headerFields) const {
    using Summaries = std::vector<MessageSummary>;
    auto batch = std::make_shared<Batch<Summaries>>();
    auto summaries = std::make_shared<Summaries>();
    batch->result = [summaries] {
        std::sort(summaries->begin(), summaries->end(),
                  [](const MessageSummary& a, const MessageSummary& b) { return a.uid < b.uid; });
        return std::move(*summaries);
    };
    if (uids.isEmpty()) return batch;
    const QByteArray items = "(UID FLAGS INTERNALDATE RFC822.SIZE ENVELOPE BODYSTRUCTURE "
                             "BODY.PEEK[HEADER.FIELDS (" + headerFields + ")])";
    for (const UidSet& piece : uids.split(static_cast<quint64>(settings_.fetchCommandSize))) {
        batch->commands.emplace_back("UID FETCH");
        batch->commands.back().raw(piece.toBytes()).raw(items);
    }
    auto seen = std::make_shared<std::set<quint32>>();
    batch->sink = [summaries, seen, uids](Response&& response) {
        auto d = decodeFetch(response);
        // Once per UID asked for: a server repeating itself costs no memory.
        if (!d || !d->uid || !uids.contains(*d->uid) || !seen->insert(*d->uid).second) return;
        MessageSummary s;
        s.uid = *d->uid;
        s.flags = d->flags.value_or(std::vector<QByteArray>{});
        s.internalDate = d->internalDate.value_or(QDateTime());
        s.size = d->size.value_or(0);
        s.envelope = d->envelope.value_or(Envelope{});
        s.body = std::move(d->body);
        for (SectionData& section : d->sections)
            if (section.section.startsWith("HEADER.FIELDS")) s.headerFields = std::move(section.bytes);
        s.header = headerOf(s.headerFields);
        summaries->push_back(std::move(s));
    };
    batch->selection = Selection{folder.raw, folder.uidValidity, true, false};
    return batch;
}

std::optional<QByteArray> Account::fetchSection(const FolderRef& folder, quint32 uid,
                                                const QByteArray& section) {
    auto found = fetchSections(folder, {{uid, {section}}});
    const auto message = found.find(uid);
    if (message == found.end()) return std::nullopt;
    const auto bytes = message->second.find(section);
    if (bytes == message->second.end()) return std::nullopt;
    return std::move(bytes->second);
}

Account::Sections Account::fetchSections(const FolderRef& folder, const WantedSections& wanted) {
    return runBatch(*sectionsBatch(folder, wanted));
}

std::function<Account::Sections()> Account::fetchSectionsAhead(const FolderRef& folder,
                                                               const WantedSections& wanted) {
    return ahead<Sections>([this, folder, wanted] { return sectionsBatch(folder, wanted); });
}

std::shared_ptr<Account::Batch<Account::Sections>> Account::sectionsBatch(
    const FolderRef& folder, const WantedSections& wanted) const {
    auto batch = std::make_shared<Batch<Sections>>();
    auto found = std::make_shared<Sections>();
    batch->result = [found] { return std::move(*found); };
    std::map<std::vector<QByteArray>, std::vector<quint32>> bySections;
    auto asked = std::make_shared<std::map<quint32, std::vector<QByteArray>>>();
    for (const auto& [uid, sections] : wanted) {
        bySections[sections].push_back(uid);
        (*asked)[uid] = sections;
    }
    for (const auto& [sections, uids] : bySections) {
        QByteArray items = "(";
        for (const QByteArray& s : sections)
            items += (items.size() > 1 ? " BODY.PEEK[" : "BODY.PEEK[") + s + ']';
        items += ')';
        for (const UidSet& piece :
             UidSet::of(uids).split(static_cast<quint64>(settings_.fetchCommandSize))) {
            batch->commands.emplace_back("UID FETCH");
            batch->commands.back().raw(piece.toBytes()).raw(items);
        }
    }
    batch->sink = [found, asked](Response&& response) {
        auto d = decodeFetch(response);
        if (!d || !d->uid) return;
        const auto a = asked->find(*d->uid);
        if (a == asked->end()) return;  // only what was asked for is kept
        for (SectionData& s : d->sections)
            for (const QByteArray& name : a->second)
                if (s.section.compare(name, Qt::CaseInsensitive) == 0)
                    (*found)[*d->uid][name] = std::move(s.bytes);
    };
    batch->selection = Selection{folder.raw, folder.uidValidity, true, false};
    return batch;
}

void Account::storeFlags(const FolderRef& folder, const UidSet& uids,
                         const std::vector<QByteArray>& flags, bool add) {
    if (uids.isEmpty() || flags.empty()) return;
    Command c("UID STORE");
    c.raw(uids.toBytes()).raw(add ? "+FLAGS.SILENT" : "-FLAGS.SILENT").raw(flagList(flags));
    const ExchangeResult r = run({c}, kIgnore, Selection{folder.raw, folder.uidValidity}, true);
    if (!r.completions[0].ok()) throw refused(c, r.completions[0]);
}

std::optional<CopyUid> Account::copy(const FolderRef& folder, const UidSet& uids,
                                     const QByteArray& target) {
    return copyIn(folder, uids, target).second;
}

std::pair<quint32, std::optional<CopyUid>> Account::copyIn(const FolderRef& folder,
                                                           const UidSet& uids,
                                                           const QByteArray& target) {
    Command c("UID COPY");
    c.raw(uids.toBytes()).astring(target);
    const ExchangeResult r = run({c}, kIgnore, Selection{folder.raw, folder.uidValidity}, false);
    if (!r.completions[0].ok()) throw refused(c, r.completions[0]);
    if (!r.completions[0].code) return {r.selected.uidValidity, std::nullopt};
    return {r.selected.uidValidity, decodeCopyUid(*r.completions[0].code)};
}

std::optional<CopyUid> Account::move(const FolderRef& folder, const UidSet& uids,
                                     const QByteArray& target) {
    if (!has("MOVE")) {
        if (!has("UIDPLUS"))
            throw Failure(code::kNotSupported,
                          QStringLiteral("Le serveur %1 ne sait ni déplacer un message (MOVE) ni effacer "
                                         "exactement un message (UIDPLUS) : rien n'a été déplacé.")
                              .arg(settings_.address.hostPort()));
        // The removal checks that the folder is still the one the copy was
        // made from, so the UIDs mean the same messages.
        auto [uidValidity, copied] = copyIn(folder, uids, target);
        expunge(FolderRef{folder.raw, uidValidity}, uids);
        return copied;
    }
    Command c("UID MOVE");
    c.raw(uids.toBytes()).astring(target);
    auto copied = std::make_shared<std::optional<CopyUid>>();
    const ExchangeResult r = run(
        {c},
        [copied](Response&& response) {
            if (response.code && response.name == "OK") {
                if (auto cu = decodeCopyUid(*response.code)) *copied = std::move(cu);
            }
        },
        Selection{folder.raw, folder.uidValidity}, false);
    if (!r.completions[0].ok()) throw refused(c, r.completions[0]);
    return std::move(*copied);
}

void Account::expunge(const FolderRef& folder, const UidSet& uids) {
    if (uids.isEmpty()) return;
    if (!has("UIDPLUS"))
        throw Failure(code::kNotSupported,
                      QStringLiteral("Le serveur %1 ne sait pas effacer exactement un message (UIDPLUS) : "
                                     "rien n'a été effacé.")
                          .arg(settings_.address.hostPort()));
    Command mark("UID STORE");
    mark.raw(uids.toBytes()).raw("+FLAGS.SILENT (\\Deleted)");
    Command remove("UID EXPUNGE");
    remove.raw(uids.toBytes());
    const std::vector<Command> commands{mark, remove};
    requireOk(commands, run(commands, kIgnore, Selection{folder.raw, folder.uidValidity}, true));
}

void Account::create(const QByteArray& folder) {
    Command c("CREATE");
    c.astring(folder);
    const ExchangeResult r = run({c}, kIgnore, {}, true);
    foldersRead_ = QDateTime();  // the list changed
    if (!r.completions[0].ok() && !(r.completions[0].code && r.completions[0].code->name == "ALREADYEXISTS"))
        throw refused(c, r.completions[0]);
}

std::optional<AppendUid> Account::append(const QByteArray& folder, const QByteArray& message,
                                         const std::vector<QByteArray>& flags,
                                         const QDateTime& internalDate) {
    Command c("APPEND");
    c.astring(folder).raw(flagList(flags));
    if (internalDate.isValid()) c.string(formatInternalDate(internalDate));
    c.literal(message);
    const ExchangeResult r = run({c}, kIgnore, {}, false);
    if (!r.completions[0].ok()) throw refused(c, r.completions[0]);
    if (!r.completions[0].code) return std::nullopt;
    return decodeAppendUid(*r.completions[0].code);
}

}  // namespace vantor::imap
