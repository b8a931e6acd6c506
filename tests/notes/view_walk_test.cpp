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
    const int count = 700;
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(-5500);
    {
        store::Batch batch(*mailbox_);
        for (int i = 0; i < count; ++i) {
            store::Memo m = memo(QString::number(i));
            m.created = start.addMSecs(i * 1700LL);
            test::deliver(*mailbox_, m);
        }
        batch.commit();
    }
    notes::ViewPtr all = openMailbox()->getView(kAll);
    int n = 0;
    for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d), ++n) {
        ASSERT_EQ(d->itemValue(QStringLiteral("Subject")), QString::number(n));
        ASSERT_EQ(d->createdSecsSinceEpoch(), d->created().toSecsSinceEpoch()) << n;
        ASSERT_EQ(d->created(), start.addMSecs(n * 1700LL));
        ASSERT_EQ(d->itemValue(QStringLiteral("DeliveredDate")),
                  d->created().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
    }
    EXPECT_EQ(n, count);

    // Refreshed after a removal, the view starts at the document that is now first.
    openMailbox()->getView(kAll)->getFirstDocument()->remove(true);
    all->refresh();
    EXPECT_EQ(all->getFirstDocument()->itemValue(QStringLiteral("Subject")), QStringLiteral("1"));
}

TEST_F(ViewWalk, DeliveryDuringAWalkIsSeenWithoutRefresh) {
    deliver(QStringLiteral("Un"));
    deliver(QStringLiteral("Deux"));
    notes::ViewPtr all = openMailbox()->getView(kAll);
    notes::DocumentPtr first = all->getFirstDocument();
    notes::DocumentPtr second = all->getNextDocument(*first);
    EXPECT_FALSE(all->getNextDocument(*second));

    deliver(QStringLiteral("Trois"));  // through another connection, as the router does
    notes::DocumentPtr third = all->getNextDocument(*second);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->itemValue(QStringLiteral("Subject")), QStringLiteral("Trois"));
    EXPECT_EQ(third->itemValue(QStringLiteral("DeliveredDate")),
              third->created().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
    all->refresh();
    EXPECT_EQ(subjects(*all),
              (QStringList{QStringLiteral("Un"), QStringLiteral("Deux"), QStringLiteral("Trois")}));
}

TEST_F(ViewWalk, RemovalDuringAWalkDoesNotBreakGetNextDocument) {
    for (const char* s : {"A", "B", "C", "D"}) deliver(QString::fromLatin1(s));
    notes::DatabasePtr db = openMailbox();
    notes::ViewPtr all = db->getView(kAll);
    notes::DocumentPtr a = all->getFirstDocument();
    notes::DocumentPtr b = all->getNextDocument(*a);

    // B removed by "the popup" through its own session, C removed through this one.
    notes::DatabasePtr popup = client_.createClientSession()->getDatabase(kServer, kMailbox);
    ASSERT_TRUE(popup->getDocumentByUNID(b->universalID())->remove(true));
    notes::DocumentPtr c = all->getNextDocument(*b);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->itemValue(QStringLiteral("Subject")), QStringLiteral("C"));
    EXPECT_TRUE(c->remove(true));
    EXPECT_FALSE(c->remove(true));  // already gone
    notes::DocumentPtr d = all->getNextDocument(*c);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->itemValue(QStringLiteral("Subject")), QStringLiteral("D"));
    EXPECT_EQ(subjects(*all), (QStringList{QStringLiteral("A"), QStringLiteral("D")}));
}

TEST_F(ViewWalk, ItemsAreReadAsTheDocumentIsWhenFirstAskedFor) {
    deliver(QStringLiteral("Avant"));
    deliver(QStringLiteral("Suivant"));
    notes::ViewPtr all = openMailbox()->getView(kAll);
    notes::DocumentPtr walked = all->getFirstDocument();

    // Changed through another session after the walk handed the document out.
    notes::DocumentPtr other = openMailbox()->getDocumentByUNID(walked->universalID());
    other->replaceItemValue(QStringLiteral("Subject"), QStringLiteral("Après"));
    other->save(true, false);
    EXPECT_EQ(walked->itemValue(QStringLiteral("Subject")), QStringLiteral("Après"));
    EXPECT_EQ(all->getNextDocument(*walked)->itemValue(QStringLiteral("Subject")),
              QStringLiteral("Suivant"));
}

TEST_F(ViewWalk, FolderFirstDocumentReflectsEachRemovalAtOnce) {
    for (const char* s : {"A", "B", "C"}) deliver(QString::fromLatin1(s));
    notes::DatabasePtr db = openMailbox();
    notes::ViewPtr all = db->getView(kAll);
    for (notes::DocumentPtr d = all->getFirstDocument(); d; d = all->getNextDocument(*d))
        d->putInFolder(QStringLiteral("Recherche"), true);
    notes::ViewPtr search = db->getView(QStringLiteral("recherche"));
    ASSERT_TRUE(search && search->isFolder());

    // Emptying the folder the way the search does must end.
    int rounds = 0;
    while (notes::DocumentPtr first = search->getFirstDocument()) {
        first->removeFromFolder(QStringLiteral("Recherche"));
        ASSERT_LT(++rounds, 10);
    }
    EXPECT_EQ(rounds, 3);
    EXPECT_EQ(subjects(*all).size(), 3);  // the documents stay in the mailbox

    // A removed document leaves every folder.
    notes::DocumentPtr a = all->getFirstDocument();
    EXPECT_EQ(subjects(*db->getView(kInbox)).size(), 3);
    a->remove(true);
    EXPECT_EQ(subjects(*db->getView(kInbox)),
              (QStringList{QStringLiteral("B"), QStringLiteral("C")}));
}

TEST_F(ViewWalk, FoldersNestByBackslashNamesInCreationOrder) {
    auto doc = deliver(QStringLiteral("Classé"));
    notes::DatabasePtr db = openMailbox();
    notes::DocumentPtr d = db->getDocumentByUNID(doc->universalID());
    d->putInFolder(QStringLiteral("Projets\\2004\\Atlas"), true);
    d->putInFolder(QStringLiteral("PROJETS\\Clients"), true);  // the parent keeps its spelling
    d->removeFromFolder(kInbox);
    EXPECT_EQ(failureCode([&] { d->putInFolder(QStringLiteral("Absent"), false); }),
              store::code::kFolderNotFound);
    EXPECT_EQ(failureCode([&] { d->putInFolder(kAll, true); }), store::code::kNotAFolder);
    EXPECT_EQ(failureCode([&] { d->putInFolder(QStringLiteral("A\\\\B"), true); }),
              store::code::kBadFolderName);
    EXPECT_EQ(
        failureCode([&] { db->createDocument()->putInFolder(QStringLiteral("Projets"), true); }),
        store::code::kDocumentNotSaved);

    QStringList names;
    QStringList kinds;
    for (const notes::ViewPtr& v : db->views()) {
        names << v->name();
        kinds << (v->isFolder() ? QStringLiteral("F") : QStringLiteral("V"));
    }
    EXPECT_EQ(names,
              (QStringList{kAll, kInbox, QStringLiteral("($Sent)"), QStringLiteral("($Drafts)"),
                           QStringLiteral("($Trash)"), QStringLiteral("Projets"),
                           QStringLiteral("Projets\\2004"), QStringLiteral("Projets\\2004\\Atlas"),
                           QStringLiteral("Projets\\Clients")}));
    EXPECT_EQ(kinds.join(QString()), QStringLiteral("VFFFFFFFF"));
    EXPECT_EQ(subjects(*db->getView(QStringLiteral("projets\\2004\\ATLAS"))),
              QStringList{QStringLiteral("Classé")});
    EXPECT_TRUE(
        subjects(*db->getView(QStringLiteral("Projets"))).isEmpty());  // parents are created empty
    EXPECT_TRUE(subjects(*db->getView(kInbox)).isEmpty());
    EXPECT_FALSE(db->getView(QStringLiteral("Inconnu")));
    EXPECT_FALSE(db->getView(QString()));
}

TEST_F(ViewWalk, WalkOfAFolderSkipsDocumentsFiledElsewhere) {
    auto a = deliver(QStringLiteral("A"));
    auto b = deliver(QStringLiteral("B"));
    auto c = deliver(QStringLiteral("C"));
    b->removeFromFolder(kInbox);
    notes::ViewPtr inbox = openMailbox()->getView(kInbox);
    notes::DocumentPtr first = inbox->getFirstDocument();
    EXPECT_EQ(first->universalID(), a->universalID());
    EXPECT_EQ(inbox->getNextDocument(*first)->universalID(), c->universalID());
}

}  // namespace
}  // namespace vantor::test
