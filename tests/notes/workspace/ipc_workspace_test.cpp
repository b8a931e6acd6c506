// The program's workspace against the real mail client running as a program
// of its own on the same store.
#include "notes/workspace/ipc_workspace.h"

#include <gtest/gtest.h>

#include <QLocalSocket>

#include "notes/store_fixture.h"
#include "notes/workspace/workspace_codes.h"
#include "support/running_client.h"

namespace vantor::notes {
namespace {

using test::failureCode;
using test::kMailbox;
using test::kServer;
using test::kUser;
using test::QHasSubstr;

class IpcWorkspaceTest : public ::testing::Test {
  protected:
    IpcWorkspaceTest() {
        store::StoreAdmin admin(root());
        mailbox_ = test::createUserMailbox(admin);
        admin.createFolder(kServer, kMailbox, "Recherche");
    }
    QString root() const { return dir_.file("notesdata"); }

    DocumentPtr deliver(const QString& subject, QStringList folders = {}) {
        store::Memo memo = test::memo(subject);
        memo.attachments = {{"ordre.txt", QString(), QByteArray("1. budget")}};
        memo.folders = std::move(folders);
        return test::deliver(*mailbox_, memo);
    }

    test::TempDir dir_;
    std::shared_ptr<store::LocalDatabase> mailbox_;
    store::LocalClient client_{root(), ipcWorkspaceFactory(root())};
};

TEST_F(IpcWorkspaceTest, ReplyOpensAMemoInTheRunningClientWithTheThreeValues) {
    test::RunningClient notes(root());
    ASSERT_TRUE(notes.ready());
    // As the reply builds it: a new document of the mailbox, nothing saved.
    DatabasePtr db = client_.createClientSession()->getDatabase(kServer, kMailbox);
    DocumentPtr message = db->getDocumentByUNID(deliver("Réunion")->universalID());
    DocumentPtr reply = db->createDocument();
    message->copyAllItems(*reply, true);  // the body with its attachment
    reply->replaceItemValue("SendTo", message->itemValue("From"));
    client_.createUIWorkspace()->editDocument(true, reply);
    const QMap<QString, QString> shown = notes.currentWindow();
    EXPECT_EQ(shown.value("Mode"), "Edit");
    EXPECT_EQ(shown.value("SendTo"), "Marie Curie/Vantor");
    EXPECT_EQ(shown.value("Subject"), "Réunion");
    EXPECT_EQ(shown.value("Attachments"), "ordre.txt");
}

TEST_F(IpcWorkspaceTest, FolderOpensInTheClientAndItsFailuresComeBack) {
    test::RunningClient notes(root());
    ASSERT_TRUE(notes.ready());
    deliver("un", {"Recherche"});
    deliver("hors dossier");
    UIWorkspacePtr workspace = client_.createUIWorkspace();
    workspace->openDatabase(kServer, kMailbox, "Recherche", QString(), true);
    EXPECT_EQ(notes.currentWindow().value("Subjects"), "un");
    EXPECT_EQ(failureCode([&] { workspace->openDatabase(kServer, kMailbox, "Absent", "", true); }),
              workspace_code::kViewNotFound);

    // Something that is not of the protocol gets a refusal, and the client goes on.
    QLocalSocket stranger;
    stranger.connectToServer(socketPath(root()));
    stranger.write(QByteArray("\0\0\0\x05hello", 9));
    QByteArray answer;
    while (stranger.waitForReadyRead(10000)) answer += stranger.readAll();
    EXPECT_EQ(protocol::decodeReply(protocol::takeFrame(answer).value()).failure->code(),
              workspace_code::kBadMessage);
    EXPECT_EQ(notes.currentWindow().value("View"), "Recherche");
}

TEST_F(IpcWorkspaceTest, WithoutAClientForThisStoreBothCallsFailAsNotRunning) {
    test::TempDir other;  // a client runs, but on another store
    store::StoreAdmin(other.file("notesdata")).setUser(kUser, "x", kServer, kMailbox);
    test::RunningClient elsewhere(other.file("notesdata"));
    ASSERT_TRUE(elsewhere.ready());

    UIWorkspacePtr workspace = client_.createUIWorkspace();  // creating it needs no client
    EXPECT_THAT([&] { workspace->openDatabase(kServer, kMailbox, "Recherche", "", true); },
                test::Fails(workspace_code::kNotesNotRunning, QHasSubstr("n'est pas lancé")));
    DocumentPtr memo =
        client_.createClientSession()->getDatabase(kServer, kMailbox)->createDocument();
    EXPECT_EQ(failureCode([&] { workspace->editDocument(true, memo); }),
              workspace_code::kNotesNotRunning);
}

}  // namespace
}  // namespace vantor::notes
