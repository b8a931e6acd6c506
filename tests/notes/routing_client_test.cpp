// The routing client over two real store roots: the second stands for another
// realisation, owning the server "Lyon/Vantor" and the documents of its root.
#include "notes/routing_client.h"

#include <QDir>

#include "notes/workspace/ipc_workspace.h"
#include "notes/workspace/workspace_codes.h"
#include "store_fixture.h"

namespace vantor::test {
namespace {

const QString kLyon = QStringLiteral("Lyon/Vantor");
const QString kEquipe = QStringLiteral("mail\\equipe.nsf");
const QString kLyonUser = QStringLiteral("Équipe Lyon/Vantor");

class RoutingClientTest : public StoreTest {
  protected:
    RoutingClientTest() : lyonAdmin_(lyonRoot_.path()), router_(client_) {
        lyonAdmin_.setUser(kLyonUser, kPassword, kLyon, kEquipe);
        lyonAdmin_.createMailbox(kLyon, kEquipe, {kLyonUser});
        // Without a workspace of its own, the first realisation's is refused;
        // the second's fails only for want of a running client.
        const QString lyon = QDir(lyonRoot_.path()).absolutePath();
        router_.attach(
            {std::make_unique<store::LocalClient>(lyon, notes::ipcWorkspaceFactory(lyon)),
             [](const QString& server) { return server.compare(kLyon, Qt::CaseInsensitive) == 0; },
             [lyon](const notes::Document& d) {
                 const auto* doc = dynamic_cast<const store::LocalDocument*>(&d);
                 return doc && doc->file()->path().startsWith(lyon);
             }});
    }

    notes::DatabasePtr open(notes::Session& session, const QString& server, const QString& file) {
        return session.getDbDirectory(server)->openDatabase(file, false);
    }

    TempDir lyonRoot_;
    store::StoreAdmin lyonAdmin_;
    notes::RoutingClient router_;
};

TEST_F(RoutingClientTest, EachServerReachesTheRealisationThatHoldsIt) {
    notes::SessionPtr session = router_.createBackendSession();
    session->initialize(kPassword);
    EXPECT_TRUE(open(*session, kServer, kMailbox)->isOpen());
    EXPECT_TRUE(session->getDatabase(kLyon, kEquipe)->isOpen());
    EXPECT_EQ(session->userName(), kUser);
    // Without a second realisation, the first fails as it always did.
    EXPECT_EQ(failureCode([&] {
                  notes::RoutingClient(client_).createBackendSession()->initialize("lyon");
              }),
              notes::code::kWrongPassword);
}

// The other realisation's password is not the store's: the store's refusal
// must wait for a store mailbox, and "local" slots cost nothing.
TEST_F(RoutingClientTest, ASessionFailureOfOneRealisationShowsOnlyWhereItIsUsed) {
    lyonAdmin_.setUser(kLyonUser, "lyon", kLyon, kEquipe);
    notes::SessionPtr session = router_.createBackendSession();
    session->initialize("lyon");
    notes::DbDirectoryPtr local = session->getDbDirectory("local");
    EXPECT_TRUE(open(*session, kLyon, kEquipe)->isOpen());
    EXPECT_EQ(session->userName(), kLyonUser);
    EXPECT_EQ(failureCode([&] { local->openDatabase(kMailbox, false); }),
              notes::code::kWrongPassword);
    EXPECT_EQ(failureCode([&] { session->getDatabase(kServer, kMailbox); }),
              notes::code::kWrongPassword);

    QFile::remove(admin_.root().identityPath());
    notes::SessionPtr client = router_.createClientSession();
    EXPECT_TRUE(client->getDatabase(kLyon, kEquipe)->isOpen());
    EXPECT_EQ(failureCode([&] { client->getDatabase(kServer, kMailbox); }), store::code::kNoUser);
}

TEST_F(RoutingClientTest, WorkspaceCallsReachTheRealisationOfTheirServerOrDocument) {
    notes::UIWorkspacePtr workspace = router_.createUIWorkspace();
    const auto openOn = [&](const QString& server) {
        return failureCode([&] { workspace->openDatabase(server, kMailbox, "", "", true); });
    };
    EXPECT_EQ(openOn(kServer), store::code::kNoWorkspace);
    EXPECT_EQ(openOn(kLyon), notes::workspace_code::kNotesNotRunning);
    notes::SessionPtr session = router_.createBackendSession();
    session->initialize(kPassword);
    const auto edit = [&](const notes::DatabasePtr& db) {
        return failureCode([&] { workspace->editDocument(true, db->createDocument()); });
    };
    EXPECT_EQ(edit(open(*session, kLyon, kEquipe)), notes::workspace_code::kNotesNotRunning);
    EXPECT_EQ(edit(openMailbox()), store::code::kNoWorkspace);
}

}  // namespace
}  // namespace vantor::test
