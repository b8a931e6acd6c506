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
    EXPECT_TRUE(open(*session, kLyon, kEquipe)->isOpen());
    EXPECT_TRUE(session->getDatabase(kLyon, kEquipe)->isOpen());
    EXPECT_EQ(session->userName(), kUser);
}

// The other realisation's password is not the store's: the store's refusal
// must wait for a store mailbox, and "local" slots cost nothing.
TEST_F(RoutingClientTest, ASessionFailureOfOneRealisationShowsOnlyWhereItIsUsed) {
    const QString kLyonPassword = QStringLiteral("lyon");
    lyonAdmin_.setUser(kLyonUser, kLyonPassword, kLyon, kEquipe);
    notes::SessionPtr session = router_.createBackendSession();
    session->initialize(kLyonPassword);
    notes::DbDirectoryPtr local = session->getDbDirectory("local");
    EXPECT_TRUE(open(*session, kLyon, kEquipe)->isOpen());
    EXPECT_EQ(session->userName(), kLyonUser);
    EXPECT_EQ(failureCode([&] { local->openDatabase(kMailbox, false); }),
              notes::code::kWrongPassword);
    EXPECT_EQ(failureCode([&] { session->getDatabase(kServer, kMailbox); }),
              notes::code::kWrongPassword);

    ASSERT_TRUE(QFile::remove(admin_.root().identityPath()));
    notes::SessionPtr client = router_.createClientSession();
    EXPECT_TRUE(client->getDatabase(kLyon, kEquipe)->isOpen());
    EXPECT_EQ(failureCode([&] { client->getDatabase(kServer, kMailbox); }), store::code::kNoUser);
}

TEST_F(RoutingClientTest, WithoutASecondRealisationTheFirstFailsAsItAlwaysDid) {
    notes::RoutingClient storeOnly(client_);
    EXPECT_EQ(failureCode([&] { storeOnly.createBackendSession()->initialize("lyon"); }),
              notes::code::kWrongPassword);
    EXPECT_EQ(failureCode([&] { storeOnly.createUIWorkspace(); }), store::code::kNoWorkspace);
}

TEST_F(RoutingClientTest, WorkspaceCallsReachTheRealisationOfTheirServerOrDocument) {
    notes::UIWorkspacePtr workspace = router_.createUIWorkspace();
    const auto openOn = [&](const QString& server) {
        return failureCode(
            [&] { workspace->openDatabase(server, kMailbox, QString(), QString(), true); });
    };
    EXPECT_EQ(openOn(kServer), store::code::kNoWorkspace);
    EXPECT_EQ(openOn(kLyon), notes::workspace_code::kNotesNotRunning);

    notes::SessionPtr session = router_.createBackendSession();
    session->initialize(kPassword);
    const notes::DocumentPtr draft = open(*session, kLyon, kEquipe)->createDocument();
    EXPECT_EQ(failureCode([&] { workspace->editDocument(true, draft); }),
              notes::workspace_code::kNotesNotRunning);
    EXPECT_EQ(failureCode([&] { workspace->editDocument(true, openMailbox()->createDocument()); }),
              store::code::kNoWorkspace);
}

}  // namespace
}  // namespace vantor::test
