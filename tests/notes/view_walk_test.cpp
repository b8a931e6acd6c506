// Walking views and folders while the mailbox changes under the walk, the
// way the scan, the move and the search rely on it.
#include "store_fixture.h"

namespace vantor::test {
namespace {

class ViewWalk : public StoreTest {};

const QString kAll = QStringLiteral("($All)");
const QString kInbox = QStringLiteral("($Inbox)");

TEST_F(ViewWalk, LongWalkGivesEveryDocumentOnceInCreationOrderWithItsCreationTime) {
    // More documents than a few batches of the walk hold, some before 1970.
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(-5500);
    store::Batch batch(*mailbox_);
    for (int i = 0; i < 700; ++i) {
        store::Memo m = memo(QString::number(i));
        m.created = start.addMSecs(i * 1700LL);
        test::deliver(*mailbox_, m);
    }
    batch.commit();
    notes::ViewPtr all = openMailbox()->getView(kAll);
    int n = 0;
    for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d), ++n) {
        ASSERT_EQ(d->itemValue("Subject"), QString::number(n));
        ASSERT_EQ(d->created(), start.addMSecs(n * 1700LL));
        ASSERT_EQ(d->createdSecsSinceEpoch(), d->created().toSecsSinceEpoch()) << n;
        ASSERT_EQ(d->itemValue("DeliveredDate"), d->created().toString("dd/MM/yyyy HH:mm:ss"));
    }
    EXPECT_EQ(n, 700);

    // Refreshed after a removal, the view starts at the document that is now first.
    openMailbox()->getView(kAll)->getFirstDocument()->remove(true);
    all->refresh();
    EXPECT_EQ(all->getFirstDocument()->itemValue("Subject"), "1");
}

TEST_F(ViewWalk, FoldersNestSkipDocumentsFiledElsewhereAndReflectEachRemovalAtOnce) {
    for (const char* s : {"A", "B", "C", "D"}) deliver(QString::fromLatin1(s));
    notes::DatabasePtr db = openMailbox();
    notes::ViewPtr all = db->getView(kAll);
    for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d))
        d->putInFolder("Recherche", true);
    notes::ViewPtr search = db->getView("recherche");
    // Emptying the folder the way the search does must end.
    int rounds = 0;
    while (notes::DocumentPtr first = search->getFirstDocument()) {
        first->removeFromFolder("Recherche");
        ASSERT_LT(++rounds, 10);
    }
    EXPECT_EQ(rounds, 4);
    EXPECT_EQ(subjects(*all).size(), 4);  // the documents stay in the mailbox

    // A removed document leaves every folder; one filed out is skipped.
    notes::DocumentPtr a = all->getFirstDocument();
    all->getNextDocument(*a)->removeFromFolder(kInbox);
    a->remove(true);
    EXPECT_EQ(subjects(*db->getView(kInbox)), (QStringList{"C", "D"}));

    // Folders nest by backslash names, listed in creation order.
    notes::DocumentPtr d = db->getDocumentByUNID(deliver(QStringLiteral("Classé"))->universalID());
    d->putInFolder("Projets\\2004\\Atlas", true);
    d->putInFolder("PROJETS\\Clients", true);  // the parent keeps its spelling
    EXPECT_EQ(failureCode([&] { d->putInFolder("Absent", false); }), store::code::kFolderNotFound);
    EXPECT_EQ(failureCode([&] { d->putInFolder(kAll, true); }), store::code::kNotAFolder);
    EXPECT_EQ(failureCode([&] { d->putInFolder("A\\\\B", true); }), store::code::kBadFolderName);
    EXPECT_EQ(failureCode([&] { db->createDocument()->putInFolder("Projets", true); }),
              store::code::kDocumentNotSaved);

    QStringList names;
    for (const notes::ViewPtr& v : db->views()) names << v->name();
    EXPECT_EQ(names.mid(6), (QStringList{"Projets", "Projets\\2004", "Projets\\2004\\Atlas",
                                         "Projets\\Clients"}));
    EXPECT_EQ(subjects(*db->getView("projets\\2004\\ATLAS")), QStringList{"Classé"});
    EXPECT_TRUE(subjects(*db->getView("Projets")).isEmpty());
    EXPECT_FALSE(db->getView(QString()));
}

}  // namespace
}  // namespace vantor::test
