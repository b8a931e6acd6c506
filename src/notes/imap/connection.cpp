#include "notes/imap/connection.h"

#include <QCoreApplication>
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

template <class T, class Start>
std::shared_ptr<Pending<T>> Connection::post(Start start) {
    auto promise = std::make_shared<QPromise<void>>();
    auto pending = std::make_shared<Pending<T>>();
    promise->start();
    pending->done = promise->future();
    auto reply = [promise, pending](std::optional<Failure> f, T value) {
        pending->failure = std::move(f);
        pending->value = std::move(value);
        promise->finish();
    };
    ConnectionCore* core = core_;
    thread_.post([core, start = std::move(start), reply]() mutable { start(*core, reply); });
    return pending;
}

template <class T>
T Connection::take(Pending<T>& pending, int boundMs) {
    await(pending.done, boundMs);
    if (pending.failure) throw *pending.failure;
    return std::move(pending.value);
}

void Connection::open(const QString& password, const QStringList& trusted) {
    capabilities_ = {};
    const auto pending = post<Capabilities>([password, trusted](ConnectionCore& core, auto reply) {
        core.open(password, trusted, reply);
    });
    capabilities_ =
        take(*pending, std::max(settings_.connectTimeoutMs, settings_.responseTimeoutMs) + 10000);
}

ExchangeResult Connection::exchange(std::vector<Command> commands, Sink sink,
                                    Selection selection) {
    return take(*send(std::move(commands), std::move(sink), std::move(selection)),
                settings_.responseTimeoutMs + 10000);
}

std::shared_ptr<PendingExchange> Connection::send(std::vector<Command> commands, Sink sink,
                                                  Selection selection) {
    return post<ExchangeResult>(
        [commands = std::move(commands), sink = std::move(sink),
         selection = std::move(selection)](ConnectionCore& core, auto reply) mutable {
            core.exchange(std::move(commands), std::move(sink), std::move(selection), reply);
        });
}

ExchangeResult Connection::collect(PendingExchange& pending) {
    if (pending.done.isFinished()) QCoreApplication::processEvents();
    return take(pending, settings_.responseTimeoutMs + 10000);
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
