#include "notes/routing_client.h"

#include <optional>

namespace vantor::notes {
namespace {

// One realisation's object, or the failure that keeps it from serving.
template <typename Pointer>
struct Side {
    Pointer object;
    std::optional<Failure> failure;

    bool usable() const { return object && !failure; }
    // The object, or its failure thrown.
    auto& get() const {
        if (failure) throw *failure;
        return *object;
    }
};

template <typename Make>
auto attempt(Make&& make) -> Side<decltype(make())> {
    Side<decltype(make())> side;
    try {
        side.object = make();
    } catch (const Failure& f) {
        side.failure = f;
    }
    return side;
}

// What a realisation whose session failed hands out: its failure comes when
// a database is opened, so that its unwatched slots cost nothing.
class FailedDirectory : public DbDirectory {
  public:
    explicit FailedDirectory(Failure failure) : failure_(std::move(failure)) {}
    DatabasePtr openDatabase(const QString&, bool) override { throw failure_; }

  private:
    Failure failure_;
};

class RoutingSession : public Session {
  public:
    RoutingSession(Side<SessionPtr> first, Side<SessionPtr> second, const Realisation& routes)
        : first_(std::move(first)), second_(std::move(second)), routes_(routes) {}

    void initialize(const QString& password) override {
        for (Side<SessionPtr>* side : {&first_, &second_}) {
            if (!side->object) continue;
            try {
                side->object->initialize(password);
                side->failure.reset();
            } catch (const Failure& f) {
                side->failure = f;
            }
        }
    }

    DbDirectoryPtr getDbDirectory(const QString& server) override {
        const Side<SessionPtr>& side = sideOf(server);
        if (side.failure) return std::make_shared<FailedDirectory>(*side.failure);
        return side.get().getDbDirectory(server);
    }

    DatabasePtr getDatabase(const QString& server, const QString& file) override {
        return sideOf(server).get().getDatabase(server, file);
    }

    // The first realisation's user; the second's when the first has none.
    QString userName() override {
        if (!first_.usable() && second_.usable()) return second_.get().userName();
        return first_.get().userName();
    }

  private:
    const Side<SessionPtr>& sideOf(const QString& server) const {
        return routes_.ownsServer(server) ? second_ : first_;
    }

    Side<SessionPtr> first_;
    Side<SessionPtr> second_;
    const Realisation& routes_;
};

class RoutingWorkspace : public UIWorkspace {
  public:
    RoutingWorkspace(Side<UIWorkspacePtr> first, Side<UIWorkspacePtr> second,
                     const Realisation& routes)
        : first_(std::move(first)), second_(std::move(second)), routes_(routes) {}

    void editDocument(bool editMode, const DocumentPtr& document) override {
        const bool second = document && routes_.ownsDocument && routes_.ownsDocument(*document);
        (second ? second_ : first_).get().editDocument(editMode, document);
    }

    void openDatabase(const QString& server, const QString& file, const QString& view,
                      const QString& key, bool newInstance) override {
        (routes_.ownsServer(server) ? second_ : first_)
            .get()
            .openDatabase(server, file, view, key, newInstance);
    }

  private:
    Side<UIWorkspacePtr> first_;
    Side<UIWorkspacePtr> second_;
    const Realisation& routes_;
};

}  // namespace

RoutingClient::RoutingClient(Client& first) : first_(first) {}

RoutingClient::~RoutingClient() = default;

void RoutingClient::attach(Realisation second) {
    second_ = std::move(second);
    if (!second_.ownsServer) second_.ownsServer = [](const QString&) { return false; };
    if (second_.client && listener_) second_.client->setNewMailListener(listener_);
}

SessionPtr RoutingClient::createBackendSession() {
    if (!second_.client) return first_.createBackendSession();
    return std::make_unique<RoutingSession>(
        attempt([&] { return first_.createBackendSession(); }),
        attempt([&] { return second_.client->createBackendSession(); }), second_);
}

SessionPtr RoutingClient::createClientSession() {
    if (!second_.client) return first_.createClientSession();
    return std::make_unique<RoutingSession>(
        attempt([&] { return first_.createClientSession(); }),
        attempt([&] { return second_.client->createClientSession(); }), second_);
}

UIWorkspacePtr RoutingClient::createUIWorkspace() {
    if (!second_.client) return first_.createUIWorkspace();
    return std::make_unique<RoutingWorkspace>(
        attempt([&] { return first_.createUIWorkspace(); }),
        attempt([&] { return second_.client->createUIWorkspace(); }), second_);
}

QString RoutingClient::clientWindowTitle(const QString& server) {
    if (second_.client && second_.ownsServer(server))
        return second_.client->clientWindowTitle(server);
    return first_.clientWindowTitle(server);
}

void RoutingClient::setNewMailListener(std::function<void()> listener) {
    listener_ = std::move(listener);
    first_.setNewMailListener(listener_);
    if (second_.client) second_.client->setNewMailListener(listener_);
}

}  // namespace vantor::notes
