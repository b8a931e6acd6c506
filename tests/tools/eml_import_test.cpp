// `vantor-store import-eml` delivers real messages as memos: a bad file in a
// batch is refused alone and named, what is delivered reads back with its
// dates and attachments, and hostile attachment names (of the fuzz corpus)
// are stored as given with their bytes intact.
#include <gmock/gmock.h>

#include <QFileInfo>

#include "notes/mime/corpus.h"
#include "notes/mime/message.h"
#include "notes/store_fixture.h"
#include "support/store_tool.h"

namespace vantor::test {
namespace {

QByteArray allBytes() {
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
    return all;
}

class EmlImport : public StoreTest {
  protected:
    QString writeEml(const QString& name, const QByteArray& bytes) {
        const QString path = root_.file(name);
        putBytes(path, bytes);
        return path;
    }
    ToolRun importFiles(const QStringList& arguments) {
        mailbox_.reset();
        return runTool(
            root_.path(),
            QStringList{"import-eml", "--server", kServer, "--file", kMailbox} + arguments);
    }
};

TEST_F(EmlImport, ImportGoesOnPastRefusedFilesAndNamesEachOne) {
    const QString first = corpusFile("plain.eml");
    const QString second = corpusFile("mixed-attachment.eml");
    const QStringList refused{writeEml("sans_expediteur.eml", "Subject: Rien\r\n\r\nCorps\r\n"),
                              writeEml("vide.eml", QByteArray()), root_.file("absent.eml")};

    const ToolRun run = importFiles(QStringList{"--created", "2004-03-16 09:00:00", first} +
                                    refused + QStringList{second});
    EXPECT_EQ(run.exitCode, 1);
    for (const QString& bad : refused) EXPECT_THAT(run.err, QHasSubstr(QFileInfo(bad).fileName()));
    notes::ViewPtr inbox = openMailbox()->getView("($Inbox)");
    EXPECT_EQ(subjects(*inbox),
              (QStringList{"Réunion déplacée demain", QStringLiteral("Compte rendu et pièces")}));
    notes::DocumentPtr doc = inbox->getFirstDocument();
    EXPECT_EQ(doc->created(), QDateTime(QDate(2004, 3, 16), QTime(9, 0)));
    EXPECT_EQ(
        doc->itemValue("PostedDate"),
        store::dateItemText(QDateTime(QDate(2004, 3, 15), QTime(13, 5), Qt::UTC).toLocalTime()));
    EXPECT_EQ(inbox->getNextDocument(*doc)->getFirstItem("Body")->embeddedObjects().size(), 2u);

    EXPECT_EQ(importFiles({second}).exitCode, 0);
}

// Each attachment of the message holds the 256 byte values.
TEST_F(EmlImport, HostileAttachmentNamesAreStoredAsGiven) {
    const QString longName = QString(10000, QLatin1Char('n')) + QStringLiteral(".txt");
    const ToolRun run = importFiles({corpusFile("hostile-attachment-names.eml")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    notes::DocumentPtr doc = openMailbox()->getView("($Inbox)")->getFirstDocument();
    std::vector<notes::EmbeddedObjectPtr> objects = doc->getFirstItem("Body")->embeddedObjects();
    ASSERT_EQ(objects.size(), 5u);
    EXPECT_EQ(objects[0]->name(), "../../x");
    EXPECT_EQ(objects[1]->name(), "C:\\evil.exe");
    EXPECT_EQ(objects[3]->name(), longName);
    EXPECT_FALSE(objects[2]->name().isEmpty() || objects[4]->name().isEmpty());
    const QString out = root_.file("extrait");
    for (const notes::EmbeddedObjectPtr& object : objects) {
        object->extractFile(out);
        EXPECT_EQ(bytesOf(out), allBytes()) << object->name().left(40).toStdString();
    }
}

}  // namespace
}  // namespace vantor::test
