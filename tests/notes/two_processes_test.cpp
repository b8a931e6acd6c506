// The program walks a mailbox while the tool, in another process, delivers
// into it: the walk never fails and never sees half a document.
#include <QProcess>

#include "store_fixture.h"

namespace vantor::test {
namespace {

TEST(TwoProcesses, WalkWhileAnotherProcessDeliversTwoHundredMessages) {
    TempDir root;
    const QString tool = QStringLiteral(VANTOR_STORE_TOOL);
    QProcess seed;
    seed.start(tool, {QStringLiteral("--root"), root.path(), QStringLiteral("demo-seed")});
    ASSERT_TRUE(seed.waitForFinished(60000));
    ASSERT_EQ(seed.exitCode(), 0) << seed.readAllStandardError().toStdString();

    store::LocalClient client(root.path());
    auto countOf = [&] {
        notes::SessionPtr session = client.createBackendSession();
        session->initialize(QStringLiteral("vantor"));
        notes::ViewPtr all = session->getDatabase(QStringLiteral("Paris/Vantor"), QStringLiteral("mail\\jdupont.nsf"))
                                 ->getView(QStringLiteral("($All)"));
        int n = 0;
        for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d)) ++n;
        return n;
    };
    const int before = countOf();

    QProcess feed;
    feed.start(tool, {QStringLiteral("--root"), root.path(), QStringLiteral("demo-feed"), QStringLiteral("--every"),
                      QStringLiteral("0.005"), QStringLiteral("--count"), QStringLiteral("400")});
    ASSERT_TRUE(feed.waitForStarted());

    notes::SessionPtr session = client.createBackendSession();
    session->initialize(QStringLiteral("vantor"));
    int walks = 0;
    int lastCount = 0;
    bool running = true;
    while (running) {
        running = feed.state() != QProcess::NotRunning;
        notes::DatabasePtr db = session->getDbDirectory(QStringLiteral("Paris/Vantor"))
                                    ->openDatabase(QStringLiteral("mail\\jdupont.nsf"), false);
        notes::ViewPtr all = db->getView(QStringLiteral("($All)"));
        int count = 0;
        for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d)) {
            ++count;
            ASSERT_TRUE(d->created().isValid());
            // Every document is whole: its memo items are all there.
            ASSERT_EQ(d->itemValue(QStringLiteral("Form")), QStringLiteral("Memo"));
            ASSERT_FALSE(d->itemValue(QStringLiteral("Subject")).isEmpty());
            ASSERT_TRUE(d->hasItem(QStringLiteral("Body")));
        }
        EXPECT_GE(count, lastCount);
        lastCount = count;
        ++walks;
        feed.waitForFinished(10);
    }
    EXPECT_EQ(feed.exitCode(), 0) << feed.readAllStandardError().toStdString();
    EXPECT_GT(walks, 1);
    // The feed alternates between the two demo mailboxes.
    EXPECT_EQ(countOf(), before + 200);
}

}  // namespace
}  // namespace vantor::test
