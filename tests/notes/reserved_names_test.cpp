// The server-down marker and the store's own files never collide with a
// database: a mailbox may be named "offline", journal names are refused, and
// a store marked down by an earlier version still reads as down.
#include <QDir>

#include "store_fixture.h"
#include "support/store_tool.h"

namespace vantor::test {
namespace {

class ReservedNames : public StoreTest {};

TEST_F(ReservedNames, MarkerNeverCollidesWithADatabaseAndReservedNamesAreRefused) {
    const QString offline = QStringLiteral("offline");
    admin_.createMailbox(kServer, offline, {kUser});
    deliver("Gardé");
    const QString offlinePath = admin_.root().findFile(kServer, offline);
    ASSERT_FALSE(offlinePath.isEmpty());

    // A database named like the marker neither marks the server down nor
    // goes away when the server comes back up.
    EXPECT_TRUE(openMailbox()->isOpen());
    ASSERT_EQ(runTool(root_.path(), {"server-down", kServer}).exitCode, 0);
    EXPECT_EQ(failureCode([&] { openMailbox(); }), store::code::kServerUnreachable);
    ASSERT_EQ(runTool(root_.path(), {"server-up", kServer}).exitCode, 0);
    EXPECT_TRUE(QFileInfo(offlinePath).isFile());
    EXPECT_TRUE(openSession()->getDbDirectory(kServer)->openDatabase(offline, false)->isOpen());
    EXPECT_EQ(subjects(*openMailbox()->getView("($All)")), QStringList{"Gardé"});

    // The empty "offline" file an earlier version left still marks the
    // server down; bringing it up takes that file away, and nothing else.
    admin_.createServer("Lyon/Vantor");
    admin_.createMailbox("Lyon/Vantor", "equipe.nsf", {kUser});
    const QString legacy = QDir(admin_.root().serverFolder("Lyon/Vantor")).filePath(offline);
    putBytes(legacy, QByteArray());
    notes::DbDirectoryPtr lyon = openSession()->getDbDirectory("Lyon/Vantor");
    EXPECT_EQ(failureCode([&] { lyon->openDatabase("equipe.nsf", false); }),
              store::code::kServerUnreachable);
    admin_.setServerDown("Lyon/Vantor", false);
    EXPECT_FALSE(QFileInfo::exists(legacy));
    EXPECT_TRUE(lyon->openDatabase("equipe.nsf", false)->isOpen());
    EXPECT_EQ(admin_.servers(), (QStringList{"lyon/vantor", "paris/vantor"}));

    // Names the store keeps for itself: SQLite's journals beside a database
    // and the identity file beside the servers.
    for (const QString& reserved :
         {kMailbox + QStringLiteral("-wal"), QStringLiteral("mail\\JDUPONT.NSF-SHM"),
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
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, QHasSubstr("réservés aux journaux"));
    EXPECT_TRUE(openMailbox()->isOpen());
}

}  // namespace
}  // namespace vantor::test
