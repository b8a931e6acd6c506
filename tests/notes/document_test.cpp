// Documents: identity, items, copies with attachments, and input far beyond
// the usual (huge subjects, thousands of items).
#include <QDir>
#include <QFileInfo>

#include "store_fixture.h"

namespace vantor::test {
namespace {

class Documents : public StoreTest {};

const QString kAll = QStringLiteral("($All)");

// Lookups, chosen IDs and their refusal: ASCII hexadecimal only (digits of
// other scripts count as digits for Unicode), any case, stored upper case.
TEST_F(Documents, UniversalIdsAreAsciiHexLookedUpInAnyCaseAndUniqueAtSave) {
    auto existing = deliver(QStringLiteral("Existant"));
    notes::DatabasePtr db = openMailbox();
    const QString unid = existing->universalID();
    EXPECT_EQ(unid.size(), 32);
    EXPECT_EQ(db->getDocumentByUNID(unid.toLower())->universalID(), unid);
    EXPECT_FALSE(db->getDocumentByUNID(QString(32, QLatin1Char('0'))));
    const QString zeros31(31, QLatin1Char('0'));
    for (const QString& bad :
         {QString(), QStringLiteral("xyz"), unid.left(31), unid + QLatin1Char('0'),
          QStringLiteral("' OR 1=1 --") + unid.left(21), QString(31, QChar(0x0660)) + 'A',
          QString(32, QChar(0xFF10)), zeros31 + QChar(0x0391), zeros31 + 'g'})
        EXPECT_FALSE(db->getDocumentByUNID(bad)) << bad.toStdString();

    notes::DocumentPtr doc = db->createDocument();
    for (const QString& bad : {QStringLiteral("pas hexadécimal"), QString(31, QChar(0x0660)) + 'A',
                               zeros31 + QChar(0x0391), zeros31 + 'g'})
        EXPECT_EQ(failureCode([&] { doc->setUniversalID(bad); }), store::code::kBadUniversalID);
    doc->setUniversalID("0123456789abcdef0123456789ABCDEF");
    const QString chosen = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");
    EXPECT_EQ(doc->universalID(), chosen);
    EXPECT_FALSE(db->getDocumentByUNID(chosen));  // takes effect at save
    doc->replaceItemValue("Subject", "Choisi");
    doc->save(true, true);
    EXPECT_EQ(db->getDocumentByUNID(chosen)->itemValue("subject"), "Choisi");

    notes::DocumentPtr clash = db->createDocument();
    clash->replaceItemValue("Subject", "Doublon");
    clash->setUniversalID(unid);
    EXPECT_EQ(failureCode([&] { clash->save(true, true); }), store::code::kDuplicateUniversalID);
    EXPECT_EQ(subjects(*db->getView(kAll)), (QStringList{"Existant", "Choisi"}));
}

TEST_F(Documents, RemovedDocumentIsNeitherReadNorResurrectedThroughAnotherHandle) {
    auto doc = deliver(QStringLiteral("Supprimé"));
    const QString unid = doc->universalID();
    notes::DatabasePtr scan = openMailbox();
    notes::DatabasePtr popup = client_.createClientSession()->getDatabase(kServer, kMailbox);
    notes::DocumentPtr walked = scan->getView("($All)")->getFirstDocument();
    notes::DocumentPtr read = scan->getDocumentByUNID(unid);
    ASSERT_EQ(read->itemValue("Subject"), "Supprimé");
    notes::DocumentPtr removed = popup->getDocumentByUNID(unid);
    ASSERT_EQ(removed->itemValue("Subject"), "Supprimé");  // read before, gone after
    ASSERT_TRUE(removed->remove(true));

    // A handle that never read its items finds the document gone, not empty.
    QString description;
    EXPECT_EQ(failureCode([&] { walked->itemValue("Subject"); }, &description),
              store::code::kDocumentRemoved);
    EXPECT_THAT(description, ::testing::AllOf(QHasSubstr(unid), QHasSubstr(kMailbox)));
    // Saving it through any handle, the remover's included, re-creates nothing.
    read->replaceItemValue("FollowUpStatus", "1");
    EXPECT_EQ(failureCode([&] { read->save(true, false); }), store::code::kDocumentRemoved);
    EXPECT_EQ(failureCode([&] { removed->save(true, false); }), store::code::kDocumentRemoved);
    EXPECT_EQ(failureCode([&] { removed->itemValue("Subject"); }), store::code::kDocumentRemoved);
    EXPECT_FALSE(openMailbox()->getDocumentByUNID(unid));
    EXPECT_TRUE(subjects(*openMailbox()->getView("($All)")).isEmpty());
}

TEST_F(Documents, ItemsMatchNamesWithoutRegardToCaseAndKeepTheirSavedValues) {
    auto doc = deliver(QStringLiteral("Objet"));
    notes::DocumentPtr d = openMailbox()->getDocumentByUNID(doc->universalID());
    EXPECT_EQ(d->itemValue("form"), "Memo");
    EXPECT_EQ(d->getFirstItem("BODY")->type(), notes::kRichText);
    EXPECT_FALSE(d->getFirstItem("Absent"));
    EXPECT_EQ(d->itemValue("Absent"), QString());

    // Follow-up flags: set, saved, read back through another session, in order.
    d->replaceItemValue("FollowUpStatus", "2");
    d->replaceItemValue("subject", "Modifié");
    d->save(true, true);
    notes::DocumentPtr again = openMailbox()->getDocumentByUNID(doc->universalID());
    EXPECT_EQ(again->itemValue("FollowUpStatus"), "2");
    EXPECT_EQ(again->itemValue("Subject"), "Modifié");
    EXPECT_EQ(again->created(), doc->created());
}

TEST_F(Documents, CopyAllItemsCarriesAttachmentsIntoAnotherDatabase) {
    const QString source = root_.file("rapport.csv");
    putBytes(source, "a;b\n1;2\n");
    store::Memo m = memo("Avec pièces");
    m.attachments = {{"rapport.csv", source, {}}, {"..\\..\\évasion.txt", {}, QByteArray("piège")}};
    auto original = test::deliver(*mailbox_, m);
    QFile::remove(source);  // stored in the database, no longer needed

    admin_.createDatabase(QString(), "archive\\a.nsf", {kUser});
    notes::SessionPtr session = openSession();
    notes::DatabasePtr archive =
        session->getDbDirectory(QString())->openDatabase("archive\\a.nsf", false);
    notes::DocumentPtr mail = session->getDbDirectory(kServer)
                                  ->openDatabase(kMailbox, false)
                                  ->getDocumentByUNID(original->universalID());
    notes::DocumentPtr copy = archive->createDocument();
    mail->copyAllItems(*copy, false);
    copy->setUniversalID(mail->universalID());
    copy->save(true, true, false);
    mail->remove(true);  // the copy must not depend on the original

    notes::DocumentPtr archived = openSession()
                                      ->getDbDirectory("LOCAL")
                                      ->openDatabase("ARCHIVE/A.NSF", false)
                                      ->getDocumentByUNID(original->universalID());
    ASSERT_TRUE(archived);
    EXPECT_EQ(archived->itemValue("Subject"), "Avec pièces");
    std::vector<notes::EmbeddedObjectPtr> objects =
        archived->getFirstItem("Body")->embeddedObjects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0]->type(), notes::kFileAttachment);
    EXPECT_EQ(objects[1]->name(), "..\\..\\évasion.txt");  // stored as given
    const QString out = root_.file("sortie.bin");
    objects[0]->extractFile(out);
    EXPECT_EQ(bytesOf(out), QByteArray("a;b\n1;2\n"));
    objects[1]->extractFile(out);  // replaces the file, at exactly that path
    EXPECT_EQ(bytesOf(out), QByteArray("piège"));
    EXPECT_EQ(QDir(root_.path()).entryList(QDir::Files).filter("évasion").size(), 0);

    // One item copied alone carries its attachments' bytes too.
    notes::DocumentPtr single = archive->createDocument();
    single->appendItemCopy(*archived->getFirstItem("Body"));
    single->save(true, true, false);
    EXPECT_EQ(archive->getDocumentByUNID(single->universalID())
                  ->getFirstItem("Body")
                  ->embeddedObjects()
                  .at(0)
                  ->bytes(),
              QByteArray("a;b\n1;2\n"));

    // Copying with replace keeps one item per name.
    notes::DocumentPtr twice = archive->createDocument();
    archived->copyAllItems(*twice, false);
    archived->copyAllItems(*twice, true);
    EXPECT_EQ(twice->items().size(), archived->items().size());
}

TEST_F(Documents, AttachmentOfAnItemKeptAfterItsDocumentWentFailsClearly) {
    store::Memo m = memo("Éphémère");
    m.attachments = {{"note.txt", {}, QByteArray("contenu")}};
    auto doc = test::deliver(*mailbox_, m);
    notes::ItemPtr body =
        openMailbox()->getDocumentByUNID(doc->universalID())->getFirstItem("Body");
    notes::EmbeddedObjectPtr object = body->embeddedObjects().at(0);
    EXPECT_EQ(failureCode([&] { object->extractFile(root_.file("absent/dossier/x.txt")); }),
              store::code::kCannotWriteFile);
    doc->remove(true);
    deliver("Suivant");  // a new attachment row must not take the old one's place
    EXPECT_EQ(failureCode([&] { object->extractFile(root_.file("x.txt")); }),
              store::code::kAttachmentGone);
}

TEST_F(Documents, OversizedInputIsStoredWholeWithoutTouchingOtherDocuments) {
    auto neighbour = deliver(QStringLiteral("Voisin"));
    notes::DatabasePtr db = openMailbox();
    notes::DocumentPtr big = db->createDocument();
    const QString longSubject(10000, QChar(0x00E9));
    big->replaceItemValue("Subject", longSubject);
    auto* local = dynamic_cast<store::LocalDocument*>(big.get());
    ASSERT_TRUE(local);
    for (int i = 0; i < 5000; ++i)
        local->appendItem(QStringLiteral("Champ%1").arg(i), notes::kText, QString::number(i));
    big->save(true, true);

    notes::DocumentPtr back = openMailbox()->getDocumentByUNID(big->universalID());
    EXPECT_EQ(back->itemValue("Subject"), longSubject);
    EXPECT_EQ(back->items().size(), 5001u);
    EXPECT_EQ(back->itemValue("champ4999"), "4999");
    EXPECT_EQ(openMailbox()->getDocumentByUNID(neighbour->universalID())->itemValue("Subject"),
              QStringLiteral("Voisin"));
}

}  // namespace
}  // namespace vantor::test
