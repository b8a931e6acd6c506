#include "notes/imap/connection.h"

#include <QPromise>

#include "notes/imap/bounded_wait.h"
#include "notes/imap/connection_core.h"
#include "notes/imap/network_thread.h"
#include "notes/notes.h"

namespace vantor::imap {

Connection::Connection(NetworkThread& thread, ConnectionSettings settings)
    : thread_(thread),
      settings_(std::move(settings)),
      counters_(std::make_shared<ConnectionCounters>()),
      core_(new ConnectionCore(settings_, counters_)) {
    core_->moveToThread(thread_.thread());
}

Connection::~Connection() { core_->deleteLater(); }

void Connection::await(const QFuture<void>& done, int ms) {
    const auto counters = counters_;
    if (waitWithEvents(done, [counters] { return counters->bytesRead + counters->bytesWritten; }, ms))
        return;
    const Failure failure(notes::code::kServerUnavailable,
                          QStringLiteral("Le serveur %1 ne répond plus (rien reçu en %2 s).")
                              .arg(settings_.address.hostPort())
                              .arg(ms / 1000));
    ConnectionCore* core = core_;
    thread_.post([core, failure] { core->abort(failure); });
    throw failure;
}

void Connection::open(const QString& password, const QStringList& trusted) {
    struct Outcome {
        std::optional<Failure> failure;
        Capabilities capabilities;
    };
    auto promise = std::make_shared<QPromise<void>>();
    auto outcome = std::make_shared<Outcome>();
    promise->start();
    const QFuture<void> done = promise->future();
    ConnectionCore* core = core_;
    thread_.post([core, password, trusted, promise, outcome] {
        core->open(password, trusted, [promise, outcome](std::optional<Failure> f, Capabilities c) {
            outcome->failure = std::move(f);
            outcome->capabilities = std::move(c);
            promise->finish();
        });
    });
    capabilities_ = {};
    await(done, std::max(settings_.connectTimeoutMs, settings_.responseTimeoutMs) + 10000);
    if (outcome->failure) throw *outcome->failure;
    capabilities_ = outcome->capabilities;
}

ExchangeResult Connection::exchange(std::vector<Command> commands, Sink sink,
                                    Selection selection) {
    struct Outcome {
        std::optional<Failure> failure;
        ExchangeResult result;
    };
    auto promise = std::make_shared<QPromise<void>>();
    auto outcome = std::make_shared<Outcome>();
    promise->start();
    const QFuture<void> done = promise->future();
    ConnectionCore* core = core_;
    thread_.post([core, commands = std::move(commands), sink = std::move(sink),
                  selection = std::move(selection), promise, outcome]() mutable {
        core->exchange(std::move(commands), std::move(sink), std::move(selection),
                       [promise, outcome](std::optional<Failure> f, ExchangeResult r) {
                           outcome->failure = std::move(f);
                           outcome->result = std::move(r);
                           promise->finish();
                       });
    });
    await(done, settings_.responseTimeoutMs + 10000);
    if (outcome->failure) throw *outcome->failure;
    return std::move(outcome->result);
}

void Connection::idle(std::function<void()> onNews, std::function<void(const Failure&)> onLost) {
    ConnectionCore* core = core_;
    thread_.post([core, onNews = std::move(onNews), onLost = std::move(onLost)]() mutable {
        core->idle(std::move(onNews), std::move(onLost));
    });
}

void Connection::close() {
    ConnectionCore* core = core_;
    thread_.post([core] { core->close(); });
    capabilities_ = {};
}

}  // namespace vantor::imap
