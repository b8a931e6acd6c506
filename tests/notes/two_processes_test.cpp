// The program walks a mailbox while other processes change it: the tool
// delivers, the mail client removes. The walk never fails, never sees half a
// document, and sees each change at its next step.
#include <QCoreApplication>
#include <QProcess>

#include "store_fixture.h"
#include "support/store_tool.h"

namespace vantor::test {
namespace {

class TwoProcessesWalk : public StoreTest {
  protected:
    // Removes the documents in a process of its own (this test program, see test_main.cpp).
    void removeInAnotherProcess(const QStringList& unids) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(),
                QStringList{QStringLiteral("--remove"), root_.path(), kServer, kMailbox} + unids);
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
};

TEST_F(TwoProcessesWalk, RemovalsAndDeliveriesByAnotherProcessShowAtTheNextStep) {
    std::vector<QString> unids;
    {
        store::Batch batch(*mailbox_);
        for (int i = 0; i < 40; ++i) unids.push_back(deliver(QString::number(i))->universalID());
        batch.commit();
    }
    notes::ViewPtr all = openMailbox()->getView(QStringLiteral("($All)"));
    notes::DocumentPtr first = all->getFirstDocument();
    notes::DocumentPtr current = all->getNextDocument(*first);
    ASSERT_EQ(current->universalID(), unids[1]);

    // The current document and one a few steps ahead go; a new one arrives.
    removeInAnotherProcess({unids[1], unids[3]});
    StoreTool(root_.path())({QStringLiteral("deliver"), QStringLiteral("--server"), kServer,
                             QStringLiteral("--file"), kMailbox, QStringLiteral("--from"),
                             QStringLiteral("Routeur"), QStringLiteral("--subject"),
                             QStringLiteral("40")});

    QStringList rest;
    for (notes::DocumentPtr d = all->getNextDocument(*current); d; d = all->getNextDocument(*d))
        rest << d->itemValue(QStringLiteral("Subject"));
    QStringList expected{QStringLiteral("2")};
    for (int i = 4; i <= 40; ++i) expected << QString::number(i);
    EXPECT_EQ(rest, expected);
    EXPECT_EQ(failureCode([&] { current->itemValue(QStringLiteral("Subject")); }),
              store::code::kDocumentRemoved);
}

TEST(TwoProcesses, WalkWhileAnotherProcessDeliversTwoHundredMessages) {
    TempDir root;
    const QString tool = QStringLiteral(VANTOR_STORE_TOOL);
    StoreTool(root.path())({QStringLiteral("demo-seed")});

    store::LocalClient client(root.path());
    auto countOf = [&] {
        notes::SessionPtr session = client.createBackendSession();
        session->initialize(kPassword);
        return subjects(*session
                             ->getDatabase(kServer,
                                           kMailbox)
                             ->getView(QStringLiteral("($All)")))
            .size();
    };
    const auto before = countOf();

    QProcess feed;
    feed.start(tool, {QStringLiteral("--root"), root.path(), QStringLiteral("demo-feed"),
                      QStringLiteral("--every"), QStringLiteral("0.005"), QStringLiteral("--count"),
                      QStringLiteral("400")});
    ASSERT_TRUE(feed.waitForStarted());

    notes::SessionPtr session = client.createBackendSession();
    session->initialize(kPassword);
    int walks = 0;
    int lastCount = 0;
    bool running = true;
    while (running) {
        running = feed.state() != QProcess::NotRunning;
        notes::DatabasePtr db = session->getDbDirectory(kServer)
                                    ->openDatabase(kMailbox, false);
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
