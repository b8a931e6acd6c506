// `vantor-store import-eml` delivers real messages as memos: a bad file in a
// batch is refused alone and named, what is delivered reads back with its
// dates and attachments, and hostile attachment names (of the fuzz corpus)
// are stored as given with their bytes intact.
#include <gmock/gmock.h>

#include <QFileInfo>

#include "eml_reader.h"
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
        writeFile(path, bytes);
        return path;
    }
    ToolRun importFiles(const QStringList& arguments) {
        mailbox_.reset();
        return runTool(root_.path(),
                       QStringList{QStringLiteral("import-eml"), QStringLiteral("--server"),
                                   kServer, QStringLiteral("--file"), kMailbox} +
                           arguments);
    }
};

TEST_F(EmlImport, ImportGoesOnPastRefusedFilesAndNamesEachOne) {
    const QString first = corpusFile(QStringLiteral("plain.eml"));
    const QString second = corpusFile(QStringLiteral("mixed-attachment.eml"));
    const QString anonymous =
        writeEml(QStringLiteral("sans_expediteur.eml"), "Subject: Rien\r\n\r\nCorps\r\n");
    QString description;
    EXPECT_EQ(failureCode([&] { tool::readEmlFile(anonymous); }, &description),
              mime::code::kBadMessage);
    EXPECT_THAT(description, QHasSubstr("sans_expediteur.eml"));
    const QStringList refused{anonymous, writeEml(QStringLiteral("vide.eml"), QByteArray()),
                              root_.file(QStringLiteral("absent.eml"))};

    const ToolRun run = importFiles(
        QStringList{QStringLiteral("--created"), QStringLiteral("2004-03-16 09:00:00"), first} +
        refused + QStringList{second});
    EXPECT_EQ(run.exitCode, 1);
    for (const QString& bad : refused)
        EXPECT_THAT(run.err, QHasSubstr(QFileInfo(bad).fileName()));
    notes::ViewPtr inbox = openMailbox()->getView(QStringLiteral("($Inbox)"));
    EXPECT_EQ(subjects(*inbox), (QStringList{QStringLiteral("Réunion déplacée demain"),
                                             QStringLiteral("Compte rendu et pièces")}));
    notes::DocumentPtr doc = inbox->getFirstDocument();
    EXPECT_EQ(doc->created(), QDateTime(QDate(2004, 3, 16), QTime(9, 0)));
    EXPECT_EQ(
        doc->itemValue(QStringLiteral("PostedDate")),
        store::dateItemText(QDateTime(QDate(2004, 3, 15), QTime(13, 5), Qt::UTC).toLocalTime()));
    EXPECT_EQ(inbox->getNextDocument(*doc)
                  ->getFirstItem(QStringLiteral("Body"))
                  ->embeddedObjects()
                  .size(),
              2u);

    EXPECT_EQ(importFiles({second}).exitCode, 0);
}

// Each attachment of the message holds the 256 byte values.
TEST_F(EmlImport, HostileAttachmentNamesAreStoredAsGiven) {
    const QString longName = QString(10000, QLatin1Char('n')) + QStringLiteral(".txt");
    const ToolRun run = importFiles({corpusFile(QStringLiteral("hostile-attachment-names.eml"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    notes::DocumentPtr doc = openMailbox()->getView(QStringLiteral("($Inbox)"))->getFirstDocument();
    std::vector<notes::EmbeddedObjectPtr> objects =
        doc->getFirstItem(QStringLiteral("Body"))->embeddedObjects();
    ASSERT_EQ(objects.size(), 5u);
    EXPECT_EQ(objects[0]->name(), QStringLiteral("../../x"));
    EXPECT_EQ(objects[1]->name(), QStringLiteral("C:\\evil.exe"));
    EXPECT_FALSE(objects[2]->name().isEmpty());
    EXPECT_EQ(objects[3]->name(), longName);
    EXPECT_FALSE(objects[4]->name().isEmpty());
    const QString out = root_.file(QStringLiteral("extrait"));
    for (const notes::EmbeddedObjectPtr& object : objects) {
        object->extractFile(out);
        EXPECT_EQ(readFile(out), allBytes()) << object->name().left(40).toStdString();
    }
}

}  // namespace
}  // namespace vantor::test
