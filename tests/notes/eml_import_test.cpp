// Real RFC 5322 messages become memos: encoded headers and charsets decoded,
// attachments with their decoded bytes; a broken file imports nothing.
#include "eml_reader.h"
#include "store_fixture.h"
#include "tool_runner.h"

namespace vantor::test {
namespace {

const QByteArray kAllBytesBase64 =
    "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4\r\n"
    "OTo7PD0+P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3Bx\r\n"
    "cnN0dXZ3eHl6e3x9fn+AgYKDhIWGh4iJiouMjY6PkJGSk5SVlpeYmZqbnJ2en6ChoqOkpaanqKmq\r\n"
    "q6ytrq+wsbKztLW2t7i5uru8vb6/wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t/g4eLj\r\n"
    "5OXm5+jp6uvs7e7v8PHy8/T19vf4+fr7/P3+/w==\r\n";

QByteArray mixedMessage() {
    return "From: =?ISO-8859-1?Q?Fran=E7ois_L=E9ger?= <francois.leger@exemple.fr>\r\n"
           "To: Jean Dupont <jean.dupont@exemple.fr>\r\n"
           "Subject: =?UTF-8?B?UsOpdW5pb24gZMOpcGxhY8OpZQ==?=\r\n"
           "Date: Mon, 15 Mar 2004 14:05:00 +0100\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed; boundary=\"frontiere\"\r\n"
           "\r\n"
           "Préambule ignoré.\r\n"
           "--frontiere\r\n"
           "Content-Type: text/plain; charset=ISO-8859-1\r\n"
           "Content-Transfer-Encoding: quoted-printable\r\n"
           "\r\n"
           "La r=E9union est d=E9plac=E9e =E0 14 h.=\r\n"
           " Merci.\r\n"
           "--frontiere\r\n"
           "Content-Type: application/octet-stream; name=\"octets.bin\"\r\n"
           "Content-Disposition: attachment; filename=\"=?ISO-8859-1?Q?ordre_du_jour_=E9t=E9.bin?=\"\r\n"
           "Content-Transfer-Encoding: base64\r\n"
           "\r\n" +
           kAllBytesBase64 +
           "--frontiere\r\n"
           "Content-Type: text/plain; charset=UTF-8\r\n"
           "Content-Disposition: attachment; filename*=UTF-8''r%C3%A9sum%C3%A9.txt\r\n"
           "\r\n"
           "Résumé joint.\r\n"
           "--frontiere--\r\n";
}

QByteArray alternativeHtmlMessage() {
    return "From: Service informatique <si@exemple.fr>\r\n"
           "Subject: =?iso-8859-1?q?Maintenance_pr=E9vue?=\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: multipart/alternative; boundary=b1\r\n"
           "\r\n"
           "--b1\r\n"
           "Content-Type: text/html; charset=UTF-8\r\n"
           "\r\n"
           "<html><head><style>p{color:red}</style></head><body><p>Arr&ecirc;t samedi&nbsp;:"
           "<br>de 8 h &agrave; 12 h</p><script>alert(1)</script><p>&lt;Merci&gt; &#8364;</p></body></html>\r\n"
           "--b1--\r\n";
}

class EmlImport : public StoreTest {
protected:
    QString writeEml(const QString& name, const QByteArray& bytes) {
        const QString path = root_.file(name);
        writeFile(path, bytes);
        return path;
    }
};

TEST_F(EmlImport, MultipartMessageDecodesHeadersCharsetsAndAttachments) {
    const store::Memo memo = tool::readEmlFile(writeEml(QStringLiteral("m.eml"), mixedMessage()));
    EXPECT_EQ(memo.from, QStringLiteral("François Léger <francois.leger@exemple.fr>"));
    EXPECT_EQ(memo.sendTo, QStringLiteral("Jean Dupont <jean.dupont@exemple.fr>"));
    EXPECT_EQ(memo.subject, QStringLiteral("Réunion déplacée"));
    EXPECT_EQ(memo.posted.toUTC(), QDateTime(QDate(2004, 3, 15), QTime(13, 5), Qt::UTC));
    EXPECT_EQ(memo.body.trimmed(), QStringLiteral("La réunion est déplacée à 14 h. Merci."));
    ASSERT_EQ(memo.attachments.size(), 2u);
    EXPECT_EQ(memo.attachments[0].name, QStringLiteral("ordre du jour été.bin"));  // "_" is a space in encoded words
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
    EXPECT_EQ(memo.attachments[0].bytes, all);
    EXPECT_EQ(memo.attachments[1].name, QStringLiteral("résumé.txt"));
    EXPECT_EQ(memo.attachments[1].bytes.trimmed(), QStringLiteral("Résumé joint.").toUtf8());
}

TEST_F(EmlImport, HtmlOnlyBodyIsTextWithoutTagsScriptsOrEntities) {
    const store::Memo memo = tool::readEmlFile(writeEml(QStringLiteral("h.eml"), alternativeHtmlMessage()));
    EXPECT_EQ(memo.subject, QStringLiteral("Maintenance prévue"));
    EXPECT_EQ(memo.body, QStringLiteral("Arrêt samedi :\nde 8 h à 12 h\n<Merci> €"));
    EXPECT_TRUE(memo.attachments.empty());
    EXPECT_EQ(tool::htmlToText(QStringLiteral("<b>a</b>&unknown; <!-- x --> b")), QStringLiteral("a&unknown; b"));
}

TEST_F(EmlImport, ToolImportsIntoTheInboxWithAttachmentsReadableBack) {
    const QString first = writeEml(QStringLiteral("m.eml"), mixedMessage());
    const QString second = writeEml(QStringLiteral("h.eml"), alternativeHtmlMessage());
    mailbox_.reset();
    const ToolRun run = runTool(root_.path(), {QStringLiteral("import-eml"), QStringLiteral("--server"), kServer,
                                               QStringLiteral("--file"), kMailbox, QStringLiteral("--created"),
                                               QStringLiteral("2004-03-16 09:00:00"), first, second});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    notes::ViewPtr inbox = openMailbox()->getView(QStringLiteral("($Inbox)"));
    EXPECT_EQ(subjects(*inbox), (QStringList{QStringLiteral("Réunion déplacée"), QStringLiteral("Maintenance prévue")}));
    notes::DocumentPtr doc = inbox->getFirstDocument();
    EXPECT_EQ(doc->created(), QDateTime(QDate(2004, 3, 16), QTime(9, 0)));
    EXPECT_EQ(doc->itemValue(QStringLiteral("PostedDate")),
              store::dateItemText(QDateTime(QDate(2004, 3, 15), QTime(13, 5), Qt::UTC).toLocalTime()));
    std::vector<notes::EmbeddedObjectPtr> objects = doc->getFirstItem(QStringLiteral("Body"))->embeddedObjects();
    ASSERT_EQ(objects.size(), 2u);
    const QString out = root_.file(QStringLiteral("extrait"));
    objects[0]->extractFile(out);
    EXPECT_EQ(readFile(out).size(), 256);
}

TEST_F(EmlImport, BrokenFilesAreRefusedAndImportNothing) {
    const QString good = writeEml(QStringLiteral("bon.eml"), mixedMessage());
    QByteArray garbage(4096, Qt::Uninitialized);
    for (int i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    const std::vector<std::pair<QString, QByteArray>> broken{
        {QStringLiteral("vide.eml"), QByteArray()},
        {QStringLiteral("binaire.eml"), garbage},
        {QStringLiteral("sans_expediteur.eml"), "Subject: Rien\r\n\r\nCorps\r\n"},
        {QStringLiteral("pas_un_message.eml"), "Bonjour, ceci est une simple note.\n"},
        {QStringLiteral("tronque.eml"), mixedMessage().left(700)},
    };
    for (const auto& [name, bytes] : broken) {
        const QString path = writeEml(name, bytes);
        if (name == QLatin1String("tronque.eml")) {
            // Cut in the middle of an attachment: what is there is still read.
            EXPECT_EQ(tool::readEmlFile(path).subject, QStringLiteral("Réunion déplacée"));
            continue;
        }
        QString description;
        EXPECT_EQ(failureCode([&] { tool::readEmlFile(path); }, &description), store::code::kBadMessage)
            << name.toStdString();
        EXPECT_TRUE(description.contains(name)) << description.toStdString();

        const ToolRun run = runTool(root_.path(), {QStringLiteral("import-eml"), QStringLiteral("--server"), kServer,
                                                   QStringLiteral("--file"), kMailbox, good, path});
        EXPECT_EQ(run.exitCode, 1) << name.toStdString();
        EXPECT_TRUE(run.err.contains(name)) << run.err.toStdString();
    }
    EXPECT_EQ(failureCode([&] { tool::readEmlFile(root_.file(QStringLiteral("absent.eml"))); }),
              store::code::kBadMessage);
    EXPECT_TRUE(subjects(*openMailbox()->getView(QStringLiteral("($All)"))).isEmpty());
}

}  // namespace
}  // namespace vantor::test
