// Documents: identity, items, copies with attachments, and input far beyond
// the usual (huge subjects, thousands of items, a 50 MB attachment).
#include <QCryptographicHash>
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
    doc->setUniversalID(QStringLiteral("0123456789abcdef0123456789ABCDEF"));
    const QString chosen = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");
    EXPECT_EQ(doc->universalID(), chosen);
    EXPECT_FALSE(db->getDocumentByUNID(chosen));  // takes effect at save
    doc->replaceItemValue(QStringLiteral("Subject"), QStringLiteral("Choisi"));
    doc->save(true, true);
    EXPECT_EQ(db->getDocumentByUNID(chosen)->itemValue(QStringLiteral("subject")), QStringLiteral("Choisi"));

    notes::DocumentPtr clash = db->createDocument();
    clash->replaceItemValue(QStringLiteral("Subject"), QStringLiteral("Doublon"));
    clash->setUniversalID(unid);
    EXPECT_EQ(failureCode([&] { clash->save(true, true); }), store::code::kDuplicateUniversalID);
    EXPECT_EQ(subjects(*db->getView(kAll)), (QStringList{QStringLiteral("Existant"), QStringLiteral("Choisi")}));
}

TEST_F(Documents, RemovedDocumentIsNeitherReadNorResurrectedThroughAnotherHandle) {
    auto doc = deliver(QStringLiteral("Supprimé"));
    const QString unid = doc->universalID();
    notes::DatabasePtr scan = openMailbox();
    notes::DatabasePtr popup = client_.createClientSession()->getDatabase(kServer, kMailbox);
    notes::DocumentPtr walked = scan->getView(QStringLiteral("($All)"))->getFirstDocument();
    notes::DocumentPtr read = scan->getDocumentByUNID(unid);
    ASSERT_EQ(read->itemValue(QStringLiteral("Subject")), QStringLiteral("Supprimé"));
    notes::DocumentPtr removed = popup->getDocumentByUNID(unid);
    ASSERT_TRUE(removed->remove(true));

    // A handle that never read its items finds the document gone, not empty.
    QString description;
    EXPECT_EQ(failureCode([&] { walked->itemValue(QStringLiteral("Subject")); }, &description),
              store::code::kDocumentRemoved);
    EXPECT_THAT(description, ::testing::AllOf(QHasSubstr(unid), QHasSubstr(kMailbox)));
    EXPECT_EQ(failureCode([&] { walked->items(); }), store::code::kDocumentRemoved);
    // Saving it through any handle, the remover's included, re-creates nothing.
    read->replaceItemValue(QStringLiteral("FollowUpStatus"), QStringLiteral("1"));
    EXPECT_EQ(failureCode([&] { read->save(true, false); }), store::code::kDocumentRemoved);
    EXPECT_EQ(failureCode([&] { removed->save(true, false); }), store::code::kDocumentRemoved);
    EXPECT_EQ(failureCode([&] { removed->itemValue(QStringLiteral("Subject")); }),
              store::code::kDocumentRemoved);
    EXPECT_FALSE(openMailbox()->getDocumentByUNID(unid));
    EXPECT_TRUE(subjects(*openMailbox()->getView(QStringLiteral("($All)"))).isEmpty());
}

TEST_F(Documents, ItemsMatchNamesWithoutRegardToCaseAndKeepTheirSavedValues) {
    auto doc = deliver(QStringLiteral("Objet"));
    notes::DocumentPtr d = openMailbox()->getDocumentByUNID(doc->universalID());
    EXPECT_TRUE(d->hasItem(QStringLiteral("FORM")));
    EXPECT_EQ(d->itemValue(QStringLiteral("form")), QStringLiteral("Memo"));
    EXPECT_EQ(d->getFirstItem(QStringLiteral("BODY"))->type(), notes::kRichText);
    EXPECT_EQ(d->getFirstItem(QStringLiteral("Subject"))->type(), notes::kText);
    EXPECT_FALSE(d->getFirstItem(QStringLiteral("Absent")));
    EXPECT_EQ(d->itemValue(QStringLiteral("Absent")), QString());

    // Follow-up flags: set, saved, read back through another session, in order.
    d->replaceItemValue(QStringLiteral("FollowUpStatus"), QStringLiteral("2"));
    d->replaceItemValue(QStringLiteral("subject"), QStringLiteral("Modifié"));
    d->save(true, true);
    notes::DocumentPtr again = openMailbox()->getDocumentByUNID(doc->universalID());
    EXPECT_EQ(again->itemValue(QStringLiteral("FollowUpStatus")), QStringLiteral("2"));
    EXPECT_EQ(again->itemValue(QStringLiteral("Subject")), QStringLiteral("Modifié"));
    EXPECT_EQ(again->items().back()->name(), QStringLiteral("FollowUpStatus"));
    EXPECT_EQ(again->created(), doc->created());
}

TEST_F(Documents, CopyAllItemsCarriesAttachmentsIntoAnotherDatabase) {
    const QString source = root_.file(QStringLiteral("rapport.csv"));
    writeFile(source, "a;b\n1;2\n");
    store::Memo m = memo(QStringLiteral("Avec pièces"));
    m.attachments = {{QStringLiteral("rapport.csv"), source, {}},
                     {QStringLiteral("..\\..\\évasion.txt"), {}, QByteArray("piège")}};
    auto original = test::deliver(*mailbox_, m);
    QFile::remove(source);  // stored in the database, no longer needed

    admin_.createDatabase(QString(), QStringLiteral("archive\\a.nsf"), {kUser});
    notes::SessionPtr session = openSession();
    notes::DatabasePtr archive = session->getDbDirectory(QString())->openDatabase(QStringLiteral("archive\\a.nsf"), false);
    notes::DocumentPtr mail = session->getDbDirectory(kServer)->openDatabase(kMailbox, false)
                                  ->getDocumentByUNID(original->universalID());
    notes::DocumentPtr copy = archive->createDocument();
    mail->copyAllItems(*copy, false);
    copy->setUniversalID(mail->universalID());
    copy->save(true, true, false);
    mail->remove(true);  // the copy must not depend on the original

    notes::DocumentPtr archived = openSession()->getDbDirectory(QStringLiteral("LOCAL"))
                                      ->openDatabase(QStringLiteral("ARCHIVE/A.NSF"), false)
                                      ->getDocumentByUNID(original->universalID());
    ASSERT_TRUE(archived);
    EXPECT_EQ(archived->itemValue(QStringLiteral("Subject")), QStringLiteral("Avec pièces"));
    std::vector<notes::EmbeddedObjectPtr> objects = archived->getFirstItem(QStringLiteral("Body"))->embeddedObjects();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0]->type(), notes::kFileAttachment);
    EXPECT_EQ(objects[1]->name(), QStringLiteral("..\\..\\évasion.txt"));  // stored as given
    const QString out = root_.file(QStringLiteral("sortie.bin"));
    objects[0]->extractFile(out);
    EXPECT_EQ(readFile(out), QByteArray("a;b\n1;2\n"));
    objects[1]->extractFile(out);  // replaces the file, at exactly that path
    EXPECT_EQ(readFile(out), QByteArray("piège"));
    EXPECT_EQ(QDir(root_.path()).entryList(QDir::Files).filter(QStringLiteral("évasion")).size(), 0);
    EXPECT_EQ(objects[1]->bytes(), QByteArray("piège"));

    // One item copied alone carries its attachments' bytes too.
    notes::DocumentPtr single = archive->createDocument();
    single->appendItemCopy(*archived->getFirstItem(QStringLiteral("Body")));
    single->save(true, true, false);
    EXPECT_EQ(archive->getDocumentByUNID(single->universalID())
                  ->getFirstItem(QStringLiteral("Body"))
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
    store::Memo m = memo(QStringLiteral("Éphémère"));
    m.attachments = {{QStringLiteral("note.txt"), {}, QByteArray("contenu")}};
    auto doc = test::deliver(*mailbox_, m);
    notes::ItemPtr body = openMailbox()->getDocumentByUNID(doc->universalID())->getFirstItem(QStringLiteral("Body"));
    notes::EmbeddedObjectPtr object = body->embeddedObjects().at(0);
    EXPECT_EQ(failureCode([&] { object->extractFile(root_.file(QStringLiteral("absent/dossier/x.txt"))); }),
              store::code::kCannotWriteFile);
    doc->remove(true);
    deliver(QStringLiteral("Suivant"));  // a new attachment row must not take the old one's place
    EXPECT_EQ(failureCode([&] { object->extractFile(root_.file(QStringLiteral("x.txt"))); }),
              store::code::kAttachmentGone);
}

TEST_F(Documents, OversizedInputIsStoredWholeWithoutTouchingOtherDocuments) {
    auto neighbour = deliver(QStringLiteral("Voisin"));
    notes::DatabasePtr db = openMailbox();
    notes::DocumentPtr big = db->createDocument();
    const QString longSubject(10000, QChar(0x00E9));
    big->replaceItemValue(QStringLiteral("Subject"), longSubject);
    auto* local = dynamic_cast<store::LocalDocument*>(big.get());
    ASSERT_TRUE(local);
    for (int i = 0; i < 5000; ++i) local->appendItem(QStringLiteral("Champ%1").arg(i), notes::kText, QString::number(i));
    big->save(true, true);

    notes::DocumentPtr back = openMailbox()->getDocumentByUNID(big->universalID());
    EXPECT_EQ(back->itemValue(QStringLiteral("Subject")), longSubject);
    EXPECT_EQ(back->items().size(), 5001u);
    EXPECT_EQ(back->itemValue(QStringLiteral("champ4999")), QStringLiteral("4999"));
    EXPECT_EQ(openMailbox()->getDocumentByUNID(neighbour->universalID())->itemValue(QStringLiteral("Subject")),
              QStringLiteral("Voisin"));
}

TEST_F(Documents, FiftyMegabyteAttachmentRoundTripsByStreaming) {
    const QString path = root_.file(QStringLiteral("gros.bin"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QByteArray chunk(1 << 20, Qt::Uninitialized);
        for (int i = 0; i < 50; ++i) {
            for (int j = 0; j < chunk.size(); ++j) chunk[j] = static_cast<char>((i * 31 + j * 7) & 0xFF);
            f.write(chunk);
        }
    }
    const auto hashOf = [](const QString& p) {
        QFile f(p);
        f.open(QIODevice::ReadOnly);
        QCryptographicHash h(QCryptographicHash::Sha256);
        h.addData(&f);
        return h.result();
    };
    store::Memo m = memo(QStringLiteral("Volumineux"));
    m.attachments = {{QStringLiteral("gros.bin"), path, {}}};
    auto doc = test::deliver(*mailbox_, m);
    notes::EmbeddedObjectPtr object =
        openMailbox()->getDocumentByUNID(doc->universalID())->getFirstItem(QStringLiteral("Body"))->embeddedObjects().at(0);
    EXPECT_EQ(dynamic_cast<store::LocalEmbeddedObject*>(object.get())->size(), 50 << 20);
    const QString out = root_.file(QStringLiteral("extrait.bin"));
    object->extractFile(out);
    EXPECT_EQ(QFileInfo(out).size(), 50 << 20);
    EXPECT_EQ(hashOf(out), hashOf(path));
}

}  // namespace
}  // namespace vantor::test
