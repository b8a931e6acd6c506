// Documents: identity, items, copies with attachments, and input far beyond
// the usual (huge subjects, thousands of items).
#include <QDir>

#include "store_fixture.h"

namespace vantor::test {
namespace {

class Documents : public StoreTest {};

// ASCII hexadecimal only (digits of other scripts count as digits for
// Unicode), any case, stored upper case, unique at save.
TEST_F(Documents, UniversalIdsAreAsciiHexLookedUpInAnyCaseAndUniqueAtSave) {
    const QString unid = deliver(QStringLiteral("Existant"))->universalID();
    notes::DatabasePtr db = openMailbox();
    EXPECT_EQ(db->getDocumentByUNID(unid.toLower())->universalID(), unid);
    EXPECT_FALSE(db->getDocumentByUNID(QString(32, QLatin1Char('0'))));
    const QString zeros31(31, QLatin1Char('0'));
    notes::DocumentPtr doc = db->createDocument();
    for (const QString& bad :
         {QStringLiteral("xyz"), unid.left(31), unid + QLatin1Char('0'),
          QStringLiteral("' OR 1=1 --") + unid.left(21), QString(31, QChar(0x0660)) + 'A',
          QString(32, QChar(0xFF10)), zeros31 + QChar(0x0391), zeros31 + 'g'}) {
        EXPECT_FALSE(db->getDocumentByUNID(bad)) << bad.toStdString();
        EXPECT_EQ(failureCode([&] { doc->setUniversalID(bad); }), store::code::kBadUniversalID)
            << bad.toStdString();
    }
    doc->setUniversalID("0123456789abcdef0123456789ABCDEF");
    const QString chosen = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");
    EXPECT_FALSE(db->getDocumentByUNID(chosen));  // takes effect at save
    doc->replaceItemValue("Subject", "Choisi");
    doc->save(true, true);
    EXPECT_EQ(db->getDocumentByUNID(chosen)->itemValue("subject"), "Choisi");

    notes::DocumentPtr clash = db->createDocument();
    clash->replaceItemValue("Subject", "Doublon");
    clash->setUniversalID(unid);
    EXPECT_EQ(failureCode([&] { clash->save(true, true); }), store::code::kDuplicateUniversalID);
    EXPECT_EQ(subjects(*db->getView("($All)")), (QStringList{"Existant", "Choisi"}));
}

TEST_F(Documents, RemovedDocumentIsNeitherReadNorResurrectedThroughAnotherHandle) {
    const QString unid = deliver(QStringLiteral("Supprimé"))->universalID();
    notes::DatabasePtr scan = openMailbox();
    notes::DocumentPtr walked = scan->getView("($All)")->getFirstDocument();
    notes::DocumentPtr read = scan->getDocumentByUNID(unid);
    read->itemValue("Subject");
    notes::DocumentPtr removed =
        client_.createClientSession()->getDatabase(kServer, kMailbox)->getDocumentByUNID(unid);
    removed->itemValue("Subject");  // read before, gone after
    ASSERT_TRUE(removed->remove(true));

    // A handle that never read its items finds the document gone, not empty.
    EXPECT_THAT([&] { walked->itemValue("Subject"); },
                Fails(store::code::kDocumentRemoved,
                      ::testing::AllOf(QHasSubstr(unid), QHasSubstr(kMailbox))));
    // Saving it through any handle, the remover's included, re-creates nothing.
    read->replaceItemValue("FollowUpStatus", "1");
    EXPECT_EQ(failureCode([&] { read->save(true, false); }), store::code::kDocumentRemoved);
    EXPECT_EQ(failureCode([&] { removed->save(true, false); }), store::code::kDocumentRemoved);
    EXPECT_EQ(failureCode([&] { removed->itemValue("Subject"); }), store::code::kDocumentRemoved);
    EXPECT_TRUE(subjects(*openMailbox()->getView("($All)")).isEmpty());
}

TEST_F(Documents, CopyAllItemsCarriesAttachmentsIntoAnotherDatabase) {
    const QString source = root_.put("rapport.csv", "a;b\n1;2\n");
    store::Memo m = memo("Avec pièces");
    m.attachments = {{"rapport.csv", source, {}}, {"..\\..\\évasion.txt", {}, QByteArray("piège")}};
    notes::DocumentPtr mail = test::deliver(*mailbox_, m);
    QFile::remove(source);  // stored in the database, no longer needed

    notes::DatabasePtr archive = admin_.createDatabase(QString(), "archive\\a.nsf", {kUser});
    notes::DocumentPtr copy = archive->createDocument();
    mail->copyAllItems(*copy, false);
    copy->setUniversalID(mail->universalID());
    copy->save(true, true, false);
    mail->remove(true);  // the copy must not depend on the original

    notes::DocumentPtr archived = openSession()
                                      ->getDbDirectory("LOCAL")
                                      ->openDatabase("ARCHIVE/A.NSF", false)
                                      ->getDocumentByUNID(copy->universalID());
    const auto objects = archived->getFirstItem("Body")->embeddedObjects();
    ASSERT_EQ(objects.size(), 2u);
    const QString out = root_.file("sortie.bin");
    objects[0]->extractFile(out);
    EXPECT_EQ(bytesOf(out), QByteArray("a;b\n1;2\n"));
    objects[1]->extractFile(out);  // replaces the file, at exactly that path
    EXPECT_EQ(bytesOf(out), QByteArray("piège"));
    EXPECT_TRUE(QDir(root_.path()).entryList(QDir::Files).filter("évasion").isEmpty());

    // One item copied alone carries its attachments' bytes too; copying
    // with replace keeps one item per name.
    notes::DocumentPtr single = archive->createDocument();
    single->appendItemCopy(*archived->getFirstItem("Body"));
    single->save(true, true, false);
    const auto kept = archive->getDocumentByUNID(single->universalID())->getFirstItem("Body");
    EXPECT_EQ(kept->embeddedObjects().at(0)->bytes(), QByteArray("a;b\n1;2\n"));
    archived->copyAllItems(*single, true);
    EXPECT_EQ(single->items().size(), archived->items().size());
}

TEST_F(Documents, AttachmentOfAnItemKeptAfterItsDocumentWentFailsClearly) {
    store::Memo m = memo("Éphémère");
    m.attachments = {{"note.txt", {}, QByteArray("contenu")}};
    auto doc = test::deliver(*mailbox_, m);
    notes::EmbeddedObjectPtr object = openMailbox()
                                          ->getDocumentByUNID(doc->universalID())
                                          ->getFirstItem("Body")
                                          ->embeddedObjects()
                                          .at(0);
    EXPECT_EQ(failureCode([&] { object->extractFile(root_.file("absent/dossier/x.txt")); }),
              store::code::kCannotWriteFile);
    doc->remove(true);
    deliver("Suivant");  // a new attachment row must not take the old one's place
    EXPECT_EQ(failureCode([&] { object->extractFile(root_.file("x.txt")); }),
              store::code::kAttachmentGone);
}

// Item names match in any case; a replaced item stays one item.
TEST_F(Documents, OversizedInputIsStoredWholeWithoutTouchingOtherDocuments) {
    auto neighbour = deliver(QStringLiteral("Voisin"));
    auto big = std::static_pointer_cast<store::LocalDocument>(openMailbox()->createDocument());
    big->replaceItemValue("Subject", "court");
    for (int i = 0; i < 5000; ++i)
        big->appendItem(QStringLiteral("Champ%1").arg(i), notes::kText, QString::number(i));
    const QString longSubject(10000, QChar(0x00E9));
    big->replaceItemValue("subject", longSubject);
    big->save(true, true);

    notes::DocumentPtr back = openMailbox()->getDocumentByUNID(big->universalID());
    EXPECT_EQ(back->itemValue("SUBJECT"), longSubject);
    EXPECT_EQ(back->items().size(), 5001u);
    EXPECT_EQ(back->itemValue("champ4999"), "4999");
    EXPECT_EQ(back->created(), big->created());
    EXPECT_EQ(openMailbox()->getDocumentByUNID(neighbour->universalID())->itemValue("Subject"),
              "Voisin");
}

}  // namespace
}  // namespace vantor::test
