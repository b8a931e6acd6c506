// `vantor-store import-eml` delivers real messages as memos: a bad file in a
// batch is refused alone and named, what is delivered reads back with its
// dates and attachments, and hostile attachment names are stored as given
// with their bytes intact.
#include <gmock/gmock.h>

#include <QFileInfo>

#include "eml_reader.h"
#include "notes/mime/corpus.h"
#include "notes/mime/message.h"
#include "notes/store_fixture.h"
#include "support/store_tool.h"

namespace vantor::test {
namespace {

using ::testing::HasSubstr;

const QByteArray kAllBytesBase64 =
    "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4\r\n"
    "OTo7PD0+P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3Bx\r\n"
    "cnN0dXZ3eHl6e3x9fn+AgYKDhIWGh4iJiouMjY6PkJGSk5SVlpeYmZqbnJ2en6ChoqOkpaanqKmq\r\n"
    "q6ytrq+wsbKztLW2t7i5uru8vb6/wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t/g4eLj\r\n"
    "5OXm5+jp6uvs7e7v8PHy8/T19vf4+fr7/P3+/w==\r\n";

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
    EXPECT_THAT(description.toStdString(), HasSubstr("sans_expediteur.eml"));
    const QStringList refused{anonymous, writeEml(QStringLiteral("vide.eml"), QByteArray()),
                              root_.file(QStringLiteral("absent.eml"))};

    const ToolRun run = importFiles(
        QStringList{QStringLiteral("--created"), QStringLiteral("2004-03-16 09:00:00"), first} +
        refused + QStringList{second});
    EXPECT_EQ(run.exitCode, 1);
    for (const QString& bad : refused)
        EXPECT_THAT(run.err.toStdString(), HasSubstr(QFileInfo(bad).fileName().toStdString()));
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

TEST_F(EmlImport, HostileAttachmentNamesAreStoredAsGiven) {
    const QString longName = QString(10000, QLatin1Char('n')) + QStringLiteral(".txt");
    QByteArray message =
        "From: a@exemple.fr\r\nSubject: Noms\r\nContent-Type: multipart/mixed; "
        "boundary=\"z\"\r\n\r\n";
    for (const QByteArray& disposition :
         {QByteArray("filename=\"../../x\""), QByteArray("filename=\"C:\\\\evil.exe\""),
          QByteArray("filename*=utf-8''a%00b.txt"),
          QByteArray("filename=\"") + longName.toLatin1() + '"', QByteArray("filename=\"\"")})
        message +=
            "--z\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; " +
            disposition + "\r\nContent-Transfer-Encoding: base64\r\n\r\n" + kAllBytesBase64;
    message += "--z--\r\n";

    const ToolRun run = importFiles({writeEml(QStringLiteral("noms.eml"), message)});
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
