// The server-down marker and the store's own files never collide with a
// database, and a store marked down by an earlier version still reads as down.
#include <QDir>

#include "store_fixture.h"
#include "support/store_tool.h"

namespace vantor::test {
namespace {

TEST_F(StoreTest, MarkerNeverCollidesWithADatabaseAndReservedNamesAreRefused) {
    // A database named like the marker neither marks the server down nor
    // goes away when the server comes back up.
    admin_.createMailbox(kServer, "offline", {kUser});
    const QString offlinePath = admin_.root().findFile(kServer, "offline");
    EXPECT_TRUE(openMailbox()->isOpen());
    runTool(root_.path(), {"server-down", kServer});
    EXPECT_EQ(failureCode([&] { openMailbox(); }), store::code::kServerUnreachable);
    runTool(root_.path(), {"server-up", kServer});
    EXPECT_TRUE(QFileInfo(offlinePath).isFile());
    EXPECT_TRUE(openSession()->getDbDirectory(kServer)->openDatabase("offline", false)->isOpen());

    // The empty "offline" file an earlier version left still marks the
    // server down; bringing it up takes that file away, and nothing else.
    admin_.createServer("Lyon/Vantor");
    admin_.createMailbox("Lyon/Vantor", "equipe.nsf", {kUser});
    const QString legacy = QDir(admin_.root().serverFolder("Lyon/Vantor")).filePath("offline");
    putBytes(legacy, QByteArray());
    notes::DbDirectoryPtr lyon = openSession()->getDbDirectory("Lyon/Vantor");
    EXPECT_EQ(failureCode([&] { lyon->openDatabase("equipe.nsf", false); }),
              store::code::kServerUnreachable);
    admin_.setServerDown("Lyon/Vantor", false);
    EXPECT_FALSE(QFileInfo::exists(legacy));
    EXPECT_TRUE(lyon->openDatabase("equipe.nsf", false)->isOpen());

    // Names the store keeps for itself: SQLite's journals beside a database
    // and the identity file beside the servers.
    for (const QString& reserved : {kMailbox + "-wal", QStringLiteral("mail\\JDUPONT.NSF-SHM"),
                                    QStringLiteral("archive-journal\\a.nsf")})
        EXPECT_EQ(failureCode([&] { admin_.createDatabase(kServer, reserved, {kUser}); }),
                  store::code::kBadFileName)
            << reserved.toStdString();
    EXPECT_EQ(failureCode([&] {
                  openSession()->getDbDirectory(kServer)->openDatabase(kMailbox + "-wal", false);
              }),
              store::code::kBadFileName);
    EXPECT_EQ(failureCode([&] { admin_.createServer("User.ID"); }), store::code::kBadServerName);
    const ToolRun refused = runTool(
        root_.path(), {"create-database", "--server", kServer, "--file", kMailbox + "-wal"});
    EXPECT_THAT(refused.err, QHasSubstr("réservés aux journaux"));
    EXPECT_TRUE(openMailbox()->isOpen());
}

}  // namespace
}  // namespace vantor::test
