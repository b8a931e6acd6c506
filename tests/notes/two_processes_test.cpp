// A walk of a mailbox sees at its next step what other processes deliver or
// remove, even the document it stands on.
#include <sys/wait.h>
#include <unistd.h>

#include "store_fixture.h"
#include "support/store_tool.h"

namespace vantor::test {
namespace {

TEST_F(StoreTest, RemovalsAndDeliveriesByAnotherProcessShowAtTheNextStep) {
    std::vector<QString> unids;
    store::Batch batch(*mailbox_);
    for (int i = 0; i < 40; ++i) unids.push_back(deliver(QString::number(i))->universalID());
    batch.commit();
    notes::ViewPtr all = openMailbox()->getView("($All)");
    notes::DocumentPtr current = all->getNextDocument(*all->getFirstDocument());

    // The current document and one a few steps ahead go, removed by the mail
    // client's process; a new one arrives.
    const pid_t client = ::fork();
    if (client == 0) {
        try {
            notes::DatabasePtr db = client_.createClientSession()->getDatabase(kServer, kMailbox);
            ::_exit(db->getDocumentByUNID(unids[1])->remove(true) &&
                            db->getDocumentByUNID(unids[3])->remove(true)
                        ? 0
                        : 1);
        } catch (...) {
            ::_exit(2);
        }
    }
    int status = -1;
    ::waitpid(client, &status, 0);
    ASSERT_EQ(status, 0);
    StoreTool(root_.path())({"deliver", "--server", kServer, "--file", kMailbox, "--from",
                             "Routeur", "--subject", "40"});

    QStringList rest;
    for (notes::DocumentPtr d = all->getNextDocument(*current); d; d = all->getNextDocument(*d))
        rest << d->itemValue("Subject");
    QStringList expected{"2"};
    for (int i = 4; i <= 40; ++i) expected << QString::number(i);
    EXPECT_EQ(rest, expected);
    EXPECT_EQ(failureCode([&] { current->itemValue("Subject"); }), store::code::kDocumentRemoved);
    EXPECT_FALSE(current->remove(true));  // already gone
}

}  // namespace
}  // namespace vantor::test
