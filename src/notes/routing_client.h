#pragma once
// The client the program talks to when mail lives in two realisations of the
// boundary (the local store and mail servers): each server, as a mailbox slot
// names it, goes to the realisation that holds it, so that nothing above the
// boundary knows which one it talks to.
#include <QString>
#include <functional>
#include <memory>

#include "notes/notes.h"

namespace vantor::notes {

// A realisation beside the first one, and what belongs to it.
struct Realisation {
    std::unique_ptr<Client> client;
    // The servers whose mail it holds.
    std::function<bool(const QString& server)> ownsServer;
    // The documents it handed out: a draft goes to its own workspace.
    std::function<bool(const Document& document)> ownsDocument;
};

class RoutingClient : public Client {
  public:
    // `first` holds every server no attached realisation owns; it must
    // outlive this client. Until attach(), this client is `first` exactly.
    explicit RoutingClient(Client& first);
    ~RoutingClient() override;

    // From now on the servers and documents `second` owns go to it.
    void attach(Realisation second);

    // With two realisations, a session whose making or initialize() failed
    // on one side fails only where that side is used: opening one of its
    // databases, its workspace, its user name when the other has none. Its
    // directories are still handed out, failing at openDatabase.
    SessionPtr createBackendSession() override;
    SessionPtr createClientSession() override;
    UIWorkspacePtr createUIWorkspace() override;
    QString clientWindowTitle(const QString& server) override;
    // Both realisations call it.
    void setNewMailListener(std::function<void()> listener) override;

  private:
    Client& first_;
    Realisation second_;
    std::function<void()> listener_;
};

}  // namespace vantor::notes
