// The program walks a mailbox while other processes change it: the tool
// delivers, the mail client removes. The walk sees each change at its next step.
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
                QStringList{"--remove", root_.path(), kServer, kMailbox} + unids);
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
    notes::ViewPtr all = openMailbox()->getView("($All)");
    notes::DocumentPtr first = all->getFirstDocument();
    notes::DocumentPtr current = all->getNextDocument(*first);
    ASSERT_EQ(current->universalID(), unids[1]);

    // The current document and one a few steps ahead go; a new one arrives.
    removeInAnotherProcess({unids[1], unids[3]});
    StoreTool(root_.path())({"deliver", "--server", kServer, QStringLiteral("--file"), kMailbox,
                             "--from", QStringLiteral("Routeur"), "--subject",
                             QStringLiteral("40")});

    QStringList rest;
    for (notes::DocumentPtr d = all->getNextDocument(*current); d; d = all->getNextDocument(*d))
        rest << d->itemValue("Subject");
    QStringList expected{"2"};
    for (int i = 4; i <= 40; ++i) expected << QString::number(i);
    EXPECT_EQ(rest, expected);
    EXPECT_EQ(failureCode([&] { current->itemValue("Subject"); }), store::code::kDocumentRemoved);
}

}  // namespace
}  // namespace vantor::test
