// The vantor-store command line: clear messages and exit codes on bad input,
// what it stores, and `import-eml` of real and hostile messages.
#include <QFileInfo>

#include "notes/mime/corpus.h"
#include "notes/store_fixture.h"
#include "support/store_tool.h"

namespace vantor::test {
namespace {

// `command` on the user's mailbox, then `more`.
QStringList onMailbox(const QString& command, const QStringList& more = {}) {
    return QStringList{command, "--server", kServer, "--file", kMailbox} + more;
}

// Bad use is exit code 2, a store failure (no such database) 1, each said.
TEST(StoreTool, HelpAndBadInputGiveClearMessagesAndExitCodes) {
    TempDir root;
    const std::tuple<QStringList, int, QString> runs[] = {
        {{"deliver", "--help"}, 0, "--subject"},
        {{}, 2, "aucune commande"},
        {{"livrer"}, 2, "commande inconnue"},
        {onMailbox("deliver", {"--subject", "x"}), 2, "--from"},
        {{"deliver", "--server"}, 2, "attend une valeur"},
        {onMailbox("list", {"--vue", "x"}), 2, "option inconnue"},
        {{"demo-feed", "--count", "beaucoup"}, 2, "nombre entier"},
        {onMailbox("deliver", {"--from", "a", "--subject", "b", "--created", "hier"}), 2,
         "AAAA-MM-JJ"},
        {{"list", "--server", "", "--file", "absent.nsf"}, 1, "absent.nsf"},
    };
    for (const auto& [args, code, said] : runs) {
        const ToolRun run = runTool(root.path(), args);
        EXPECT_EQ(run.exitCode, code) << args.join(' ').toStdString();
        EXPECT_THAT(code == 0 ? run.out : run.err, QHasSubstr(said));
    }
}

// What the program reads of a delivery is checked where it reads it (the
// app and end-to-end tests deliver with this tool).
TEST(StoreTool, DeliveryFilesTheMemoWithItsAttachmentAndRefusesAnIdTaken) {
    TempDir root;
    const QString attachment = root.put("devis.txt", "Devis n° 12\n");
    const QString unid = QStringLiteral("00112233445566778899AABBCCDDEEFF");
    const StoreTool tool(root.path());
    tool(onMailbox("create-mailbox", {"--user", kUser, "--password", kPassword}));
    tool(onMailbox("deliver", {"--from", "Marc", "--subject", "Devis", "--attach", attachment,
                               "--unid", unid, "--folder", "Projets\\2004"}));
    EXPECT_THAT(tool(onMailbox("list", {"--view", "Projets\\2004"})), QHasSubstr(unid));
    EXPECT_THAT(tool(onMailbox("show", {"--unid", unid})), QHasSubstr("devis.txt (13 octets"));
    const ToolRun twice = runTool(
        root.path(), onMailbox("deliver", {"--from", "x", "--subject", "y", "--unid", unid}));
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_THAT(twice.err, QHasSubstr("existe déjà"));
}

class StoreToolOutput : public StoreTest {};

TEST_F(StoreToolOutput, ListAndShowEscapeControlCharactersOneLinePerDocument) {
    store::Memo m = memo("Ligne 1\nLigne 2\\fin");
    m.from = QStringLiteral("Marc\tLefèvre");
    m.body = QStringLiteral("avant") + QChar(0) + QStringLiteral("après\x1b[2J");
    const QString unid = test::deliver(*mailbox_, m)->universalID();
    deliver("Second");
    const StoreTool tool(root_.path());

    const QStringList lines = tool(onMailbox("list")).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines.first().split('\t').mid(2),
              QStringList({"Marc\\tLefèvre", "Ligne 1\\nLigne 2\\\\fin"}));
    const QString show = tool(onMailbox("show", {"--unid", unid}));
    EXPECT_THAT(show, QHasSubstr("Body [1] : avant\\0après\\x1b[2J\n"));
    EXPECT_THAT(show, ::testing::Not(QHasSubstr(QChar(0x1b))));
}

TEST(StoreTool, DemoSeedBuildsTheDemoOnceAndRefusesToOverwriteIt) {
    TempDir root;
    ASSERT_EQ(runTool(root.path(), {"demo-seed"}).exitCode, 0);
    // Each mailbox has its search folder and a folder two levels down for the folder menu.
    for (const auto& [server, file] : {std::pair{"Paris/Vantor", "mail\\jdupont.nsf"},
                                       std::pair{"Lyon/Vantor", "mail\\equipe.nsf"}}) {
        const QString list =
            StoreTool(root.path())({"folders", "--server", server, "--file", file});
        EXPECT_THAT(
            list, ::testing::AllOf(QHasSubstr("Recherche"),
                                   ::testing::AnyOf(QHasSubstr("Clients\\Martin & Fils"),
                                                    QHasSubstr("Projets\\Atlas\\Comptes rendus"))));
    }
    for (const char* archive : {"archive\\jdupont_archive.nsf", "archive\\equipe_archive.nsf"})
        EXPECT_EQ(runTool(root.path(), {"list", "--server", "local", "--file", archive}).exitCode,
                  0);
    EXPECT_EQ(runTool(root.path(), {"demo-seed"}).exitCode, 1);
    EXPECT_EQ(runTool(root.path(), {"demo-seed", "--reset"}).exitCode, 0);
}

class EmlImport : public StoreTest {
  protected:
    ToolRun importFiles(const QStringList& arguments) {
        mailbox_.reset();
        return runTool(root_.path(), onMailbox("import-eml", arguments));
    }
};

TEST_F(EmlImport, ImportGoesOnPastRefusedFilesAndNamesEachOne) {
    const QString first = corpusFile("plain.eml");
    const QString second = corpusFile("mixed-attachment.eml");
    const QStringList refused{root_.put("sans_expediteur.eml", "Subject: Rien\r\n\r\nCorps\r\n"),
                              root_.put("vide.eml", QByteArray()), root_.file("absent.eml")};

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
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
    const QString out = root_.file("extrait");
    for (const notes::EmbeddedObjectPtr& object : objects) {
        object->extractFile(out);
        EXPECT_EQ(bytesOf(out), all) << object->name().left(40).toStdString();
    }
}

}  // namespace
}  // namespace vantor::test
