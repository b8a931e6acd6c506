#pragma once
// One IMAP account (one server field) for the whole run: it outlives the
// sessions that use it. It holds the connection, the capabilities, the
// folder list (cached), the password (keyring first), the outage state and
// the watch of the INBOX by IDLE, and offers the operations the realisation
// needs, each one exchange or one pipelined batch.
//
// Threading: an account is used from the thread that made it (the window's).
// Every operation waits with that thread's events running; a call made from
// those events (a popup action during a scan) runs after the one it
// interrupts, on the same connection. Sockets and parsing run on the
// NetworkThread.
//
// Failures: notes::code::kServerUnavailable (the server cannot be reached;
// inside the retry delay of an outage, at once, without trying), kWrongPassword,
// and code:: kCertificateRefused, kBadServerData, kCommandRefused,
// kNotSupported, kMailboxNotFound, kFolderRenumbered (imap_codes.h), every
// description French and naming the server.
#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "notes/imap/connection.h"
#include "notes/imap/data_decoders.h"
#include "notes/imap/fetch_decoder.h"
#include "notes/imap/outage.h"
#include "notes/imap/uid_set.h"
#include "notes/mime/message.h"

namespace vantor {
class Env;
}

namespace vantor::imap {

class NetworkThread;
class NewMailRelay;

struct AccountSettings {
    ServerAddress address;
    // "certificats.txt": the certificates the user trusts deliberately.
    QString trustFile;
    Env* env = nullptr;  // files and the clock of outages; Env::Default() when null
    // The program's error log (a line per ignored line of the trust file).
    std::function<void(const QString&)> log;
    ConnectionSettings connection;  // its address is set from `address`
    bool useKeyring = true;
    int keyringTimeoutMs = 5000;
    int folderListMaxAgeSecs = 180;
    int firstRetryDelayMs = 5000;
    int maxRetryDelayMs = 5 * 60 * 1000;
    // UIDs per FETCH command of a summary batch (the commands are pipelined).
    int fetchCommandSize = 256;
};

struct Folder {
    QByteArray raw;   // the server's name: what commands send
    QString path;     // decoded, "\" between levels: "Projets\Atlas"
    char delimiter = 0;
    bool selectable = true;
    SpecialUse specialUse = SpecialUse::None;
};

struct FolderStatus {
    QByteArray raw;
    bool found = false;  // false: the server knows no such folder
    quint32 uidValidity = 0;
    quint32 uidNext = 0;
    quint64 messages = 0;
    std::optional<quint64> highestModSeq;  // with CONDSTORE
};

// Where UIDs live: a folder and the UIDVALIDITY they belong to (0: any).
struct FolderRef {
    QByteArray raw;
    quint32 uidValidity = 0;
};

// A search criterion: an atom as it is ("OR", "SUBJECT", "UNSEEN", a set)
// or a string (quoted or sent as a literal).
struct SearchTerm {
    QByteArray bytes;
    bool isString = false;
    static SearchTerm atom(QByteArray a) { return {std::move(a), false}; }
    static SearchTerm text(const QString& s) { return {s.toUtf8(), true}; }
};

// What a FETCH said of a message; an item the server gave unreadable is left
// empty (an invalid date, an empty envelope), the message is never dropped.
struct MessageSummary {
    quint32 uid = 0;
    std::vector<QByteArray> flags;
    QDateTime internalDate;  // UTC
    quint64 size = 0;
    Envelope envelope;
    std::optional<BodyPart> body;  // absent when the server's BODYSTRUCTURE was unreadable
    QByteArray headerFields;       // the header lines asked for, as sent
    // Those lines as a mail reader reads them, read on the network thread
    // (the window's thread only builds documents from them).
    mime::Message header;
};

class Account {
public:
    Account(NetworkThread& network, AccountSettings settings);
    ~Account();
    Account(const Account&) = delete;
    Account& operator=(const Account&) = delete;

    const ServerAddress& address() const { return settings_.address; }
    // The program's password for this run: used when the keyring holds none.
    void setSessionPassword(const QString& password);

    // Connects and logs in unless connected. Chooses the keyring's password
    // when a keyring holds one, else the session's; a session password that
    // logs in is written to a keyring that held none.
    void connect();
    // After connect(): "IDLE", "MOVE", "UIDPLUS", "CONDSTORE", "QRESYNC",
    // "SPECIAL-USE", "ESEARCH", "LITERAL+", "NOTIFY"...
    bool has(QByteArrayView capability);

    // Every folder (LIST "*"), special-use flags included; kept for
    // folderListMaxAgeSecs unless `refresh`.
    std::vector<Folder> folders(bool refresh = false);
    // The server's name for a "\" path ("Projets\Atlas" -> "Projets/Atlas"
    // in modified UTF-7), with the server's separator.
    QByteArray rawName(const QString& path);
    // UIDNEXT, UIDVALIDITY, MESSAGES (and HIGHESTMODSEQ) of many folders:
    // one pipelined batch of STATUS commands; in the order given.
    std::vector<FolderStatus> status(const std::vector<QByteArray>& folders);
    // The UIDs matching the criteria (ESEARCH where offered; CHARSET UTF-8
    // when a string is not ASCII). A server may name up to 2^32 numbers:
    // walk the set by its ranges.
    UidSet search(const FolderRef& folder, const std::vector<SearchTerm>& criteria);
    // UID, FLAGS, INTERNALDATE, RFC822.SIZE, ENVELOPE, BODYSTRUCTURE and the
    // header fields named, for the UIDs still there: one pipelined batch of
    // UID FETCH commands (PEEK: nothing is marked read).
    std::vector<MessageSummary> fetchSummaries(
        const FolderRef& folder, const UidSet& uids,
        const QByteArray& headerFields = "MESSAGE-ID IN-REPLY-TO DATE");
    // BODY.PEEK[section] of one message ("" for the whole message, "2.1",
    // "1.MIME", "HEADER"); nullopt when the message is gone.
    std::optional<QByteArray> fetchSection(const FolderRef& folder, quint32 uid,
                                           const QByteArray& section);
    // BODY.PEEK[...] of the sections named for each message: one pipelined
    // batch of UID FETCH commands (messages wanting the same sections share
    // one). By UID, then by section as named; a message gone is absent.
    using WantedSections = std::vector<std::pair<quint32, std::vector<QByteArray>>>;
    using Sections = std::map<quint32, std::map<QByteArray, QByteArray>>;
    Sections fetchSections(const FolderRef& folder, const WantedSections& wanted);
    // fetchSummaries and fetchSections sent now when a connection is open,
    // their answers waited for when the returned function is called: the
    // caller works while the server answers. An exchange sent ahead that was
    // cut is run again the ordinary way when its answer is asked for.
    std::function<std::vector<MessageSummary>()> fetchSummariesAhead(
        const FolderRef& folder, const UidSet& uids,
        const QByteArray& headerFields = "MESSAGE-ID IN-REPLY-TO DATE");
    std::function<Sections()> fetchSectionsAhead(const FolderRef& folder,
                                                 const WantedSections& wanted);
    // Adds or removes flags and keywords (\Flagged, $VantorPriorite1...).
    void storeFlags(const FolderRef& folder, const UidSet& uids,
                    const std::vector<QByteArray>& flags, bool add);
    // UID COPY; the UIDs of the copies when the server says them (UIDPLUS).
    std::optional<CopyUid> copy(const FolderRef& folder, const UidSet& uids,
                                const QByteArray& target);
    // UID MOVE, else COPY, \Deleted and UID EXPUNGE of exactly these UIDs
    // (refused with kNotSupported without UIDPLUS, before anything is done).
    std::optional<CopyUid> move(const FolderRef& folder, const UidSet& uids,
                                const QByteArray& target);
    // Removes exactly these messages: \Deleted and UID EXPUNGE (UIDPLUS;
    // without it kNotSupported: never a plain EXPUNGE).
    void expunge(const FolderRef& folder, const UidSet& uids);
    // CREATE; a folder that exists already is no failure.
    void create(const QByteArray& folder);
    // APPEND with flags and an internal date; the new UID when told.
    std::optional<AppendUid> append(const QByteArray& folder, const QByteArray& message,
                                    const std::vector<QByteArray>& flags,
                                    const QDateTime& internalDate);

    // Calls `listener` on this account's thread when new mail comes to the
    // INBOX (IDLE on a second connection, restarted by the next operation
    // after it is lost). Empty: no watch. Without IDLE on the server: nothing.
    void setNewMailListener(std::function<void()> listener);

    // Bytes read from the server by every connection of the account.
    qint64 bytesRead() const;
    // Exchanges run (each one round trip, its commands pipelined).
    qint64 exchanges() const { return exchanges_; }
    // In an outage: the time of the next try (local time); null otherwise.
    QDateTime nextTry() const { return outage_.ongoing() ? outage_.retryAt() : QDateTime(); }

private:
    // Runs one exchange, connecting first and once more when a connection
    // found dead was reused (`retry`: the commands may run twice).
    ExchangeResult run(const std::vector<Command>& commands, const Sink& sink,
                       const Selection& selection, bool retry);
    void openConnection(Connection& connection, bool forIdle);
    Failure refused(const Command& command, const Completion& completion) const;
    // Throws `refused` for the first command the server did not complete with OK.
    void requireOk(const std::vector<Command>& commands, const ExchangeResult& result) const;
    // The commands of a fetch and what their answers gather (account.cpp).
    template <class T>
    struct Batch;
    template <class T>
    T runBatch(const Batch<T>& batch);
    template <class T>
    std::function<T()> ahead(std::function<std::shared_ptr<Batch<T>>()> make);
    std::shared_ptr<Batch<std::vector<MessageSummary>>> summariesBatch(
        const FolderRef& folder, const UidSet& uids, const QByteArray& headerFields) const;
    std::shared_ptr<Batch<Sections>> sectionsBatch(const FolderRef& folder,
                                                   const WantedSections& wanted) const;
    // UID COPY: the UIDVALIDITY of the folder copied from, and the copies' UIDs.
    std::pair<quint32, std::optional<CopyUid>> copyIn(const FolderRef& folder, const UidSet& uids,
                                                      const QByteArray& target);
    void ensureWatch();

    NetworkThread& network_;
    AccountSettings settings_;
    Env* env_;
    QString sessionPassword_;
    std::unique_ptr<Connection> connection_;
    Outage outage_;
    std::vector<Folder> folders_;
    QDateTime foldersRead_;
    char delimiter_ = 0;  // the server's separator, known after folders()
    qint64 closedBytes_ = 0;  // read by IDLE connections since closed
    qint64 exchanges_ = 0;

    std::unique_ptr<QObject> receiver_;  // IDLE's news arrive here, on this thread
    std::shared_ptr<NewMailRelay> relay_;
    std::unique_ptr<Connection> idle_;
    Outage idleOutage_;
};

}  // namespace vantor::imap
