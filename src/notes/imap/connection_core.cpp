#include "notes/imap/connection_core.h"

#include <QHostAddress>
#include <QSslConfiguration>

#include "notes/imap/certificate_trust.h"
#include "notes/imap/imap_codes.h"
#include "notes/imap/mailbox_name.h"
#include "notes/notes.h"

namespace vantor::imap {

namespace {

QString socketReason(QAbstractSocket::SocketError error, const QString& qtText) {
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            return QStringLiteral("connexion refusée");
        case QAbstractSocket::RemoteHostClosedError:
            return QStringLiteral("connexion fermée par le serveur");
        case QAbstractSocket::HostNotFoundError:
            return QStringLiteral("nom de serveur inconnu");
        case QAbstractSocket::SocketTimeoutError:
            return QStringLiteral("délai dépassé");
        case QAbstractSocket::NetworkError:
            return QStringLiteral("réseau injoignable");
        case QAbstractSocket::SslHandshakeFailedError:
            return QStringLiteral("échec de la négociation TLS (%1)").arg(qtText);
        default:
            return QStringLiteral("erreur réseau (%1)").arg(qtText);
    }
}

Completion completionOf(const Response& r) { return Completion{r.name, r.code, r.text}; }

}  // namespace

ConnectionCore::ConnectionCore(ConnectionSettings settings,
                               std::shared_ptr<ConnectionCounters> counters)
    : settings_(std::move(settings)),
      counters_(std::move(counters)),
      reader_(settings_.limits),
      timer_(this) {  // a child, so that it moves to the network thread with the core
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &ConnectionCore::onTimeout);
}

ConnectionCore::~ConnectionCore() {
    dropSocket();
    counters_->open = false;
}

Failure ConnectionCore::unavailable(const QString& why) const {
    QString text = QStringLiteral("Le serveur %1 est injoignable : %2.")
                       .arg(settings_.address.hostPort(), why);
    if (!bye_.isEmpty()) text += QStringLiteral(" Il a dit : %1").arg(QString::fromUtf8(bye_).left(200));
    return Failure(notes::code::kServerUnavailable, text);
}

Failure ConnectionCore::badData(const QString& why) const {
    return Failure(code::kBadServerData,
                   QStringLiteral("Le serveur %1 a envoyé une réponse invalide (%2) ; la connexion est fermée.")
                       .arg(settings_.address.hostPort(), why));
}

// Requests ------------------------------------------------------------------

void ConnectionCore::enqueue(std::function<void()> start) {
    queue_.push_back(std::move(start));
    if (!busy_) startNext();
}

void ConnectionCore::startNext() {
    busy_ = !queue_.empty();
    if (!busy_) return;
    auto start = std::move(queue_.front());
    queue_.pop_front();
    start();
}

void ConnectionCore::open(QString password, QStringList trusted, OpenDone done) {
    enqueue([this, password = std::move(password), trusted = std::move(trusted),
             done = std::move(done)]() mutable {
        dropSocket();
        reader_ = ResponseReader(settings_.limits);
        password_ = std::move(password);
        trusted_ = std::move(trusted);
        openDone_ = std::move(done);
        refusal_.clear();
        bye_.clear();
        caps_ = {};
        preauth_ = false;

        socket_ = new QSslSocket(this);
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setProtocol(QSsl::TlsV1_2OrLater);
        config.setPeerVerifyMode(QSslSocket::VerifyPeer);
        socket_->setSslConfiguration(config);
        connect(socket_, &QSslSocket::readyRead, this, &ConnectionCore::onReadyRead);
        connect(socket_, &QSslSocket::errorOccurred, this, &ConnectionCore::onSocketError);
        connect(socket_, &QSslSocket::sslErrors, this, &ConnectionCore::onSslErrors);
        connect(socket_, &QSslSocket::encrypted, this, &ConnectionCore::onEncrypted);
        connect(socket_, &QSslSocket::bytesWritten, this, [this](qint64 n) {
            counters_->bytesWritten += n;
            if (timer_.isActive()) timer_.start();
        });
        connect(socket_, &QSslSocket::connected, this, [this] {
            if (!settings_.address.tlsFromStart) phase_ = Phase::Greeting;
        });
        connect(socket_, &QSslSocket::disconnected, this, [this] {
            fail(unavailable(reader_.midResponse() || running_
                                 ? QStringLiteral("connexion coupée au milieu d'une réponse")
                                 : QStringLiteral("connexion fermée par le serveur")));
        });
        phase_ = Phase::Connecting;
        armTimer(settings_.connectTimeoutMs);
        const ServerAddress& a = settings_.address;
        if (a.tlsFromStart)
            socket_->connectToHostEncrypted(a.host, a.port);
        else
            socket_->connectToHost(a.host, a.port);
    });
}

void ConnectionCore::exchange(std::vector<Command> commands, Sink sink, Selection selection,
                              ExchangeDone done) {
    enqueue([this, commands = std::move(commands), sink = std::move(sink),
             selection = std::move(selection), done = std::move(done)]() mutable {
        auto finish = [this, done = std::move(done)](std::optional<Failure> f, ExchangeResult r) {
            r.selected = selected_;
            done(std::move(f), std::move(r));
            startNext();
        };
        if (phase_ != Phase::Ready) {
            finish(unavailable(QStringLiteral("la connexion n'est pas ouverte")), {});
            return;
        }
        if (selection.none && !selected_.mailbox.isEmpty()) {
            // UNSELECT where offered; elsewhere a SELECT that cannot succeed
            // leaves nothing selected (never CLOSE: it expunges).
            Command leave(caps_.has("UNSELECT") ? "UNSELECT" : "SELECT");
            if (!caps_.has("UNSELECT")) leave.string("");
            commands.insert(commands.begin(), leave);
            selected_ = {};
            send(std::move(commands), std::move(sink),
                 [finish = std::move(finish)](std::optional<Failure> f, ExchangeResult r) mutable {
                     if (!f) r.completions.erase(r.completions.begin());
                     finish(std::move(f), std::move(r));
                 });
            return;
        }
        const bool selected = selection.mailbox.isEmpty() || selected_.mailbox == selection.mailbox;
        if (selected) {
            if (auto f = selectionFailure(Completion{"OK", {}, {}}, selection)) {
                finish(std::move(f), {});
                return;
            }
            send(std::move(commands), std::move(sink), std::move(finish));
            return;
        }
        Command select("SELECT");
        select.astring(selection.mailbox);
        selected_ = SelectedState{selection.mailbox, 0, 0, 0};
        if (selection.pipelined) {
            commands.insert(commands.begin(), select);
            send(std::move(commands), std::move(sink),
                 [this, selection, finish = std::move(finish)](std::optional<Failure> f,
                                                               ExchangeResult r) mutable {
                     if (!f) f = selectionFailure(r.completions[0], selection);
                     if (!f) r.completions.erase(r.completions.begin());
                     finish(std::move(f), f ? ExchangeResult{} : std::move(r));
                 });
            return;
        }
        send({select}, {},
             [this, selection, commands = std::move(commands), sink = std::move(sink),
              finish = std::move(finish)](std::optional<Failure> f, ExchangeResult r) mutable {
                 if (!f) f = selectionFailure(r.completions[0], selection);
                 if (f) {
                     finish(std::move(f), {});
                     return;
                 }
                 send(std::move(commands), std::move(sink), std::move(finish));
             });
    });
}

std::optional<Failure> ConnectionCore::selectionFailure(const Completion& select,
                                                         const Selection& selection) {
    if (!select.ok()) {
        selected_ = {};  // a failed SELECT leaves nothing selected
        return Failure(code::kMailboxNotFound,
                       QStringLiteral("Le dossier « %1 » est introuvable sur le serveur %2 (%3).")
                           .arg(displayMailboxName(selection.mailbox), settings_.address.hostPort(),
                                QString::fromUtf8(select.text)));
    }
    if (selection.uidValidity != 0 && selected_.uidValidity != selection.uidValidity)
        return Failure(code::kFolderRenumbered,
                       QStringLiteral("Le dossier « %1 » du serveur %2 a été recréé : ses messages "
                                      "ont été renumérotés.")
                           .arg(displayMailboxName(selection.mailbox), settings_.address.hostPort()));
    return std::nullopt;
}

void ConnectionCore::noteSelection(const Response& r) {
    if (selected_.mailbox.isEmpty() || r.type != Response::Type::Untagged) return;
    if (r.name == "EXISTS" && r.number) selected_.exists = *r.number;
    if (!r.code || r.name != "OK") return;
    if (const auto v = codeNumber(*r.code, "UIDVALIDITY"); v && *v <= 0xFFFFFFFFull)
        selected_.uidValidity = static_cast<quint32>(*v);
    if (const auto n = codeNumber(*r.code, "UIDNEXT"); n && *n <= 0xFFFFFFFFull)
        selected_.uidNext = static_cast<quint32>(*n);
}

void ConnectionCore::idle(std::function<void()> onNews, std::function<void(const Failure&)> onLost) {
    enqueue([this, onNews = std::move(onNews), onLost = std::move(onLost)]() mutable {
        if (phase_ != Phase::Ready) {
            onLost(unavailable(QStringLiteral("la connexion n'est pas ouverte")));
            startNext();
            return;
        }
        idle_ = Idle{std::move(onNews), std::move(onLost), {}, false, false};
        startIdleCommand();  // the request lasts as long as the connection
    });
}

void ConnectionCore::close() {
    // Not queued: an IDLE request never ends by itself.
    if (socket_ && socket_->state() == QAbstractSocket::ConnectedState) {
        if (phase_ == Phase::Idling) write("DONE\r\n");
        write("Z LOGOUT\r\n");
        socket_->flush();
    }
    const bool wasIdle = idle_.has_value();
    idle_.reset();  // closed on purpose: nothing is lost
    fail(unavailable(QStringLiteral("la connexion a été fermée")));
    if (wasIdle) startNext();
}

void ConnectionCore::abort(const Failure& failure) {
    if (phase_ != Phase::Closed) fail(failure);
}

void ConnectionCore::dropSocket() {
    timer_.stop();
    selected_ = {};
    phase_ = Phase::Closed;
    counters_->open = false;
    if (!socket_) return;
    socket_->disconnect(this);
    socket_->abort();
    socket_->deleteLater();
    socket_ = nullptr;
}

// Ends the connection and every request on it with `failure`.
void ConnectionCore::fail(const Failure& failure) {
    dropSocket();
    password_.clear();
    auto running = std::move(running_);
    running_.reset();
    auto opening = std::move(openDone_);
    openDone_ = nullptr;
    auto idle = std::move(idle_);
    idle_.reset();
    if (running) running->done(failure, {});  // moves the queue on
    if (opening) {
        opening(failure, {});
        startNext();
    }
    if (idle) {
        idle->onLost(failure);
        startNext();
    }
}

// Timers and socket events ----------------------------------------------------

void ConnectionCore::armTimer(int ms) {
    timer_.setInterval(ms);
    timer_.start();
}

void ConnectionCore::onTimeout() {
    if (phase_ == Phase::Idling && idle_ && idle_->confirmed && !idle_->ending) {
        // Time to renew IDLE: its tagged end must come within the bound.
        idle_->ending = true;
        write("DONE\r\n");
        armTimer(settings_.responseTimeoutMs);
        return;
    }
    const int seconds = timer_.interval() / 1000;
    fail(unavailable(phase_ == Phase::Connecting || phase_ == Phase::Greeting
                         ? QStringLiteral("pas de réponse à la connexion en %1 s").arg(seconds)
                         : QStringLiteral("plus de réponse depuis %1 s").arg(seconds)));
}

void ConnectionCore::onSocketError(QAbstractSocket::SocketError error) {
    if (!socket_) return;
    if (!refusal_.isEmpty()) {
        fail(Failure(code::kCertificateRefused, refusal_));
        return;
    }
    const bool cut = error == QAbstractSocket::RemoteHostClosedError &&
                     (reader_.midResponse() || running_);
    fail(unavailable(cut ? QStringLiteral("connexion coupée au milieu d'une réponse")
                         : socketReason(error, socket_->errorString())));
}

void ConnectionCore::onSslErrors(const QList<QSslError>& errors) {
    const QString fingerprint = fingerprintOf(socket_->peerCertificate());
    if (trusted_.contains(fingerprint)) {
        socket_->ignoreSslErrors();  // this very certificate was trusted by the user
        return;
    }
    refusal_ = certificateRefusal(settings_.address.hostPort(), errors, fingerprint);
}

void ConnectionCore::onEncrypted() {
    if (phase_ == Phase::Connecting) {
        phase_ = Phase::Greeting;
    } else if (phase_ == Phase::StartTls) {
        phase_ = Phase::Ready;
        caps_ = {};  // what was said before TLS is not to be believed
        withCapabilities([this] { authenticate(); });
    }
}

void ConnectionCore::onReadyRead() {
    while (socket_ && socket_->bytesAvailable() > 0) {
        const QByteArray chunk = socket_->read(256 * 1024);
        counters_->bytesRead += chunk.size();
        if (timer_.isActive() && !(phase_ == Phase::Idling && idle_ && idle_->confirmed && !idle_->ending))
            timer_.start();  // a response that keeps coming is progress
        reader_.feed(chunk);
        try {
            // STARTTLS drops the reader: the bytes after its OK are not read as text.
            while (socket_ && phase_ != Phase::StartTls) {
                std::optional<Response> r = reader_.next();
                if (!r) break;
                dispatch(std::move(*r));
            }
        } catch (const Failure& f) {
            fail(badData(f.description()));
            return;
        }
    }
}

void ConnectionCore::dispatch(Response&& r) {
    if (r.type == Response::Type::Untagged) {
        if (r.name == "BYE") bye_ = r.text;
        if (r.name == "CAPABILITY") caps_ = decodeCapabilities(r.values);
    }
    if (r.code && r.code->name == "CAPABILITY") caps_ = decodeCapabilities(r.code->args);
    noteSelection(r);
    switch (phase_) {
        case Phase::Greeting:
            onGreeting(r);
            return;
        case Phase::Idling:
            onIdleResponse(std::move(r));
            return;
        default:
            break;
    }
    if (!running_) return;  // unsolicited: nothing waits for it
    if (r.type == Response::Type::Continuation) {
        if (!running_->awaitingPlus) {
            fail(badData(QStringLiteral("« + » inattendu")));
            return;
        }
        Pending& cmd = running_->commands[running_->writing];
        write(cmd.pieces[cmd.written++]);
        if (cmd.written == cmd.pieces.size()) {
            running_->awaitingPlus = false;
            ++running_->writing;
            writeMore();
        }
        return;
    }
    if (r.type == Response::Type::Tagged) {
        onTagged(r);
        return;
    }
    if (++running_->untagged > settings_.maxResponsesPerExchange) {
        fail(badData(QStringLiteral("plus de %1 réponses à une seule demande")
                         .arg(settings_.maxResponsesPerExchange)));
        return;
    }
    if (running_->sink)
        running_->sink(std::move(r));
    else
        running_->result.untagged.push_back(std::move(r));
}

void ConnectionCore::onTagged(const Response& r) {
    Running& run = *running_;
    std::size_t i = 0;
    while (i < run.commands.size() && (run.commands[i].tag != r.tag || run.commands[i].done)) ++i;
    if (i == run.commands.size()) {
        fail(badData(QStringLiteral("étiquette inconnue « %1 »").arg(QString::fromLatin1(r.tag.left(40)))));
        return;
    }
    run.commands[i].done = true;
    run.result.completions[i] = completionOf(r);
    if (i == run.writing && run.awaitingPlus) {  // refused before its literal: the rest is not sent
        run.awaitingPlus = false;
        ++run.writing;
        writeMore();
    }
    if (--run.remaining > 0) return;
    Running finished = std::move(*running_);
    running_.reset();
    timer_.stop();
    finished.done(std::nullopt, std::move(finished.result));
}

void ConnectionCore::onGreeting(const Response& r) {
    if (r.type == Response::Type::Untagged && (r.name == "OK" || r.name == "PREAUTH")) {
        preauth_ = r.name == "PREAUTH";
        phase_ = Phase::Ready;
        withCapabilities([this] { secure(); });
    } else if (r.type == Response::Type::Untagged && r.name == "BYE") {
        fail(unavailable(QStringLiteral("il refuse la connexion")));
    } else {
        fail(badData(QStringLiteral("salutation attendue")));
    }
}

// Sending ---------------------------------------------------------------------

LiteralMode ConnectionCore::literalMode() const {
    if (caps_.has("LITERAL+")) return LiteralMode::NonSynchronizing;
    if (caps_.has("LITERAL-")) return LiteralMode::NonSynchronizingSmall;
    return LiteralMode::Synchronizing;
}

void ConnectionCore::write(const QByteArray& bytes) {
    if (socket_) socket_->write(bytes);
}

void ConnectionCore::send(std::vector<Command> commands, Sink sink, ExchangeDone done) {
    Running run;
    run.sink = std::move(sink);
    run.done = std::move(done);
    run.remaining = commands.size();
    run.result.completions.resize(commands.size());
    for (const Command& c : commands) {
        Pending p;
        p.tag = 'V' + QByteArray::number(++nextTag_);
        p.pieces = c.wire(p.tag, literalMode());
        run.commands.push_back(std::move(p));
    }
    if (run.remaining == 0) {
        run.done(std::nullopt, std::move(run.result));
        return;
    }
    running_ = std::move(run);
    armTimer(settings_.responseTimeoutMs);
    writeMore();
}

// Sends every command that needs no "+" from the server, and stops at the
// first piece that does.
void ConnectionCore::writeMore() {
    Running& run = *running_;
    while (!run.awaitingPlus && run.writing < run.commands.size()) {
        Pending& cmd = run.commands[run.writing];
        if (cmd.done) {  // ended by the server before all of it was sent
            ++run.writing;
            continue;
        }
        write(cmd.pieces[cmd.written++]);
        if (cmd.written < cmd.pieces.size()) {
            run.awaitingPlus = true;
        } else {
            ++run.writing;
        }
    }
}

// Opening -----------------------------------------------------------------------

void ConnectionCore::withCapabilities(std::function<void()> next) {
    if (!caps_.empty()) {
        next();
        return;
    }
    send({Command("CAPABILITY")}, {},
         [this, next = std::move(next)](std::optional<Failure> f, ExchangeResult r) {
             if (f) return;  // already ended by fail()
             if (!r.completions[0].ok() || caps_.empty()) {
                 fail(badData(QStringLiteral("capacités introuvables")));
                 return;
             }
             next();
         });
}

void ConnectionCore::secure() {
    if (socket_->isEncrypted()) {
        authenticate();
        return;
    }
    if (caps_.has("STARTTLS")) {
        send({Command("STARTTLS")}, {}, [this](std::optional<Failure> f, ExchangeResult r) {
            if (f) return;
            if (!r.completions[0].ok()) {
                fail(Failure(code::kNotSupported,
                             QStringLiteral("Le serveur %1 refuse de chiffrer la connexion (STARTTLS).")
                                 .arg(settings_.address.hostPort())));
                return;
            }
            reader_ = ResponseReader(settings_.limits);
            phase_ = Phase::StartTls;
            armTimer(settings_.connectTimeoutMs);
            socket_->startClientEncryption();
        });
        return;
    }
    if (socket_->peerAddress().isLoopback()) {
        authenticate();  // this machine: nothing crosses a network
        return;
    }
    fail(Failure(code::kNotSupported,
                 QStringLiteral("Le serveur %1 ne propose pas de connexion chiffrée (STARTTLS) : "
                                "le mot de passe n'y est pas envoyé en clair. Utilisez une adresse imaps://.")
                     .arg(settings_.address.hostPort())));
}

void ConnectionCore::authenticate() {
    if (preauth_) {
        withCapabilities([this] { finishOpen(); });
        return;
    }
    const ServerAddress& a = settings_.address;
    Command login("LOGIN");
    if (caps_.has("AUTH=PLAIN")) {
        const QByteArray plain =
            ('\0' + a.login.toUtf8() + '\0' + password_.toUtf8()).toBase64();
        login = Command("AUTHENTICATE PLAIN");
        if (caps_.has("SASL-IR"))
            login.raw(plain);
        else
            login.continuation(plain);
    } else if (caps_.has("LOGINDISABLED")) {
        fail(Failure(code::kNotSupported,
                     QStringLiteral("Le serveur %1 n'accepte aucune identification que Vantor connaisse.")
                         .arg(a.hostPort())));
        return;
    } else {
        login.astring(a.login.toUtf8()).astring(password_.toUtf8());
    }
    caps_ = {};  // those said after login count
    send({login}, {}, [this](std::optional<Failure> f, ExchangeResult r) {
        password_.clear();
        if (f) return;
        const Completion& c = r.completions[0];
        if (!c.ok()) {
            if (c.code && c.code->name == "UNAVAILABLE") {
                fail(unavailable(QStringLiteral("identification impossible pour l'instant")));
            } else {
                fail(Failure(notes::code::kWrongPassword,
                             QStringLiteral("Le serveur %1 refuse l'identifiant « %2 » ou son mot de passe "
                                            "(compte %3).")
                                 .arg(settings_.address.hostPort(), settings_.address.login,
                                      settings_.address.account())));
            }
            return;
        }
        withCapabilities([this] { finishOpen(); });
    });
}

void ConnectionCore::finishOpen() {
    counters_->open = true;
    timer_.stop();
    auto done = std::move(openDone_);
    openDone_ = nullptr;
    done(std::nullopt, caps_);
    startNext();
}

// IDLE --------------------------------------------------------------------------

void ConnectionCore::startIdleCommand() {
    idle_->tag = 'V' + QByteArray::number(++nextTag_);
    idle_->confirmed = false;
    idle_->ending = false;
    phase_ = Phase::Idling;
    write(idle_->tag + " IDLE\r\n");
    armTimer(settings_.responseTimeoutMs);
}

void ConnectionCore::onIdleResponse(Response&& r) {
    if (r.type == Response::Type::Continuation) {
        if (!idle_->confirmed && !idle_->ending) {
            idle_->confirmed = true;
            armTimer(settings_.idleRenewMs);
        }
        return;
    }
    if (r.type == Response::Type::Tagged) {
        if (r.tag != idle_->tag || !r.isOk()) {
            fail(Failure(code::kCommandRefused,
                         QStringLiteral("Le serveur %1 refuse l'attente de nouveaux messages (IDLE) : %2")
                             .arg(settings_.address.hostPort(), QString::fromUtf8(r.text))));
            return;
        }
        startIdleCommand();
        return;
    }
    if (r.number && r.name == "EXISTS") idle_->onNews();  // RECENT only repeats it
}

}  // namespace vantor::imap
