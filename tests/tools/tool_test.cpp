// The vantor-store command line: clear messages and exit codes on bad
// input, and what it stores is what the program then reads.
#include <QDir>
#include <QSet>

#include "demo_content.h"
#include "notes/store_fixture.h"
#include "support/store_tool.h"

namespace vantor::test {
namespace {

// `command` on the user's mailbox, then `more`.
QStringList onMailbox(const QString& command, const QStringList& more = {}) {
    return QStringList{command, "--server", kServer, "--file", kMailbox} + more;
}

TEST(StoreTool, HelpAndBadInputGiveClearMessagesAndExitCodes) {
    TempDir root;
    const ToolRun help = runTool(root.path(), {"deliver", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, QHasSubstr("--subject"));

    const std::vector<std::pair<QStringList, QString>> mistakes{
        {{}, "aucune commande"},
        {{"livrer"}, "commande inconnue"},
        {onMailbox("deliver", {"--subject", "x"}), "--from"},
        {{"deliver", "--server"}, "attend une valeur"},
        {onMailbox("list", {"--vue", "x"}), "option inconnue"},
        {{"demo-feed", "--count", "beaucoup"}, "nombre entier"},
        {onMailbox("deliver", {"--from", "a", "--subject", "b", "--created", "hier"}),
         "AAAA-MM-JJ"},
    };
    for (const auto& [args, expected] : mistakes) {
        const ToolRun run = runTool(root.path(), args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_THAT(run.err, QHasSubstr(expected));
    }
    // A store failure (no such database) is exit code 1 with its description.
    const ToolRun missing = runTool(root.path(), {"list", "--server", "", "--file", "absent.nsf"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.err, QHasSubstr("absent.nsf"));
}

TEST(StoreTool, SetUpAndDeliveryAreWhatTheProgramReads) {
    TempDir root;
    const QString attachment = root.file("devis.txt");
    putBytes(attachment, "Devis n° 12\n");
    const QString unid = QStringLiteral("00112233445566778899AABBCCDDEEFF");
    const StoreTool tool(root.path());
    tool(onMailbox("create-mailbox", {"--user", kUser, "--password", kPassword}));
    tool(onMailbox("create-folder", {"--folder", "Projets\\2004"}));
    tool(
        onMailbox("deliver", {"--from", "Marc Lefèvre/Vantor", "--subject", "Devis", "--body",
                              "Voici le devis.", "--attach", attachment, "--created",
                              "2004-03-15 14:05:00", "--unid", unid, "--folder", "Projets\\2004"}));
    tool({"create-database", "--server", "local", "--file", "archive\\jdupont_archive.nsf"});

    store::LocalClient client(root.path());
    notes::SessionPtr session = client.createBackendSession();
    session->initialize(kPassword);
    notes::DatabasePtr mail = session->getDatabase(QString(), QString());
    mail->openMail();
    notes::DocumentPtr doc = mail->getDocumentByUNID(unid);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->created(), QDateTime(QDate(2004, 3, 15), QTime(14, 5)));
    EXPECT_EQ(doc->itemValue("From"), "Marc Lefèvre/Vantor");
    EXPECT_EQ(subjects(*mail->getView("Projets\\2004")), QStringList{"Devis"});
    EXPECT_TRUE(session->getDbDirectory(QString())
                    ->openDatabase("archive\\jdupont_archive.nsf", false)
                    ->isOpen());

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
    store::LocalClient client(root.path());
    notes::SessionPtr session = client.createBackendSession();
    session->initialize(kPassword);
    for (const auto& [server, file] : {std::pair{"Paris/Vantor", "mail\\jdupont.nsf"},
                                       std::pair{"Lyon/Vantor", "mail\\equipe.nsf"}}) {
        notes::DatabasePtr db = session->getDbDirectory(server)->openDatabase(file, false);
        // The search folder, and a folder two levels down for the folder menu.
        EXPECT_TRUE(db->getView("Recherche"));
        EXPECT_TRUE(db->getView("Clients\\Martin & Fils") ||
                    db->getView("Projets\\Atlas\\Comptes rendus"));
        EXPECT_FALSE(subjects(*db->getView("($All)")).isEmpty());
    }
    for (const char* archive : {"archive\\jdupont_archive.nsf", "archive\\equipe_archive.nsf"})
        EXPECT_TRUE(session->getDbDirectory("local")->openDatabase(archive, false)->isOpen());

    EXPECT_EQ(runTool(root.path(), {"demo-seed"}).exitCode, 1);
    EXPECT_EQ(runTool(root.path(), {"demo-seed", "--reset"}).exitCode, 0);
}

// A newcomer watching the demo takes a message seen twice for a duplicate:
// the feed never repeats one, however long it runs, even across a new year.
TEST(DemoFeed, NeverRepeatsASubjectOrABody) {
    for (const QDate today : {QDate(2008, 3, 14), QDate(2024, 12, 23)}) {
        QSet<QString> seen;
        for (int i = 0; i < 2000; ++i) {
            const tool::demo::DemoMessage m = tool::demo::feedMessage(i, today);
            ASSERT_FALSE(m.subject.isEmpty());
            EXPECT_FALSE(seen.contains("S" + m.subject) || seen.contains("B" + m.body)) << i;
            seen << "S" + m.subject << "B" + m.body;
        }
    }
}

}  // namespace
}  // namespace vantor::test
