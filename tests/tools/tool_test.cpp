// The vantor-store command line: clear messages and exit codes on bad
// input, and what it stores is what the program then reads.
#include <QDir>
#include <QSet>

#include "demo_content.h"
#include "notes/store_fixture.h"
#include "support/store_tool.h"

namespace vantor::test {
namespace {

TEST(StoreTool, HelpAndBadInputGiveClearMessagesAndExitCodes) {
    TempDir root;
    EXPECT_EQ(runTool(root.path(), {QStringLiteral("--help")}).exitCode, 0);
    const ToolRun help = runTool(root.path(), {QStringLiteral("deliver"), QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, QHasSubstr(QStringLiteral("--subject")));

    const std::vector<std::pair<QStringList, QString>> mistakes{
        {{}, QStringLiteral("aucune commande")},
        {{QStringLiteral("livrer")}, QStringLiteral("commande inconnue")},
        {{QStringLiteral("deliver"), QStringLiteral("--server"), kServer, QStringLiteral("--file"), kMailbox,
          QStringLiteral("--subject"), QStringLiteral("x")},
         QStringLiteral("--from")},
        {{QStringLiteral("deliver"), QStringLiteral("--server")}, QStringLiteral("attend une valeur")},
        {{QStringLiteral("list"), QStringLiteral("--server"), kServer, QStringLiteral("--file"), kMailbox,
          QStringLiteral("--vue"), QStringLiteral("x")},
         QStringLiteral("option inconnue")},
        {{QStringLiteral("demo-feed"), QStringLiteral("--count"), QStringLiteral("beaucoup")},
         QStringLiteral("nombre entier")},
        {{QStringLiteral("deliver"), QStringLiteral("--server"), kServer, QStringLiteral("--file"), kMailbox,
          QStringLiteral("--from"), QStringLiteral("a"), QStringLiteral("--subject"), QStringLiteral("b"),
          QStringLiteral("--created"), QStringLiteral("hier")},
         QStringLiteral("AAAA-MM-JJ")},
    };
    for (const auto& [args, expected] : mistakes) {
        const ToolRun run = runTool(root.path(), args);
        EXPECT_EQ(run.exitCode, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_THAT(run.err, QHasSubstr(expected));
    }
    // A store failure (no such database) is exit code 1 with its description.
    const ToolRun missing = runTool(root.path(), {QStringLiteral("list"), QStringLiteral("--server"), QString(),
                                                  QStringLiteral("--file"), QStringLiteral("absent.nsf")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.err, QHasSubstr(QStringLiteral("absent.nsf")));
}

TEST(StoreTool, SetUpAndDeliveryAreWhatTheProgramReads) {
    TempDir root;
    const QString attachment = root.file(QStringLiteral("devis.txt"));
    {
        QFile f(attachment);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Devis n° 12\n");
    }
    const QString unid = QStringLiteral("00112233445566778899AABBCCDDEEFF");
    const std::vector<QStringList> steps{
        {QStringLiteral("create-mailbox"), QStringLiteral("--server"), kServer, QStringLiteral("--file"), kMailbox,
         QStringLiteral("--user"), kUser, QStringLiteral("--password"), kPassword},
        {QStringLiteral("create-folder"), QStringLiteral("--server"), kServer, QStringLiteral("--file"), kMailbox,
         QStringLiteral("--folder"), QStringLiteral("Projets\\2004")},
        {QStringLiteral("deliver"), QStringLiteral("--server"), kServer, QStringLiteral("--file"), kMailbox,
         QStringLiteral("--from"), QStringLiteral("Marc Lefèvre/Vantor"), QStringLiteral("--subject"),
         QStringLiteral("Devis"), QStringLiteral("--body"), QStringLiteral("Voici le devis."), QStringLiteral("--attach"),
         attachment, QStringLiteral("--created"), QStringLiteral("2004-03-15 14:05:00"), QStringLiteral("--unid"), unid,
         QStringLiteral("--folder"), QStringLiteral("Projets\\2004")},
        {QStringLiteral("create-database"), QStringLiteral("--server"), QStringLiteral("local"), QStringLiteral("--file"),
         QStringLiteral("archive\\jdupont_archive.nsf")},
    };
    for (const QStringList& step : steps) {
        const ToolRun run = runTool(root.path(), step);
        ASSERT_EQ(run.exitCode, 0) << step.first().toStdString() << ": " << run.err.toStdString();
    }

    store::LocalClient client(root.path());
    notes::SessionPtr session = client.createBackendSession();
    session->initialize(kPassword);
    notes::DatabasePtr mail = session->getDatabase(QString(), QString());
    mail->openMail();
    notes::DocumentPtr doc = mail->getDocumentByUNID(unid);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->created(), QDateTime(QDate(2004, 3, 15), QTime(14, 5)));
    EXPECT_EQ(doc->itemValue(QStringLiteral("From")), QStringLiteral("Marc Lefèvre/Vantor"));
    EXPECT_EQ(doc->getFirstItem(QStringLiteral("Body"))->embeddedObjects().at(0)->name(), QStringLiteral("devis.txt"));
    EXPECT_EQ(subjects(*mail->getView(QStringLiteral("Projets\\2004"))), QStringList{QStringLiteral("Devis")});
    EXPECT_TRUE(session->getDbDirectory(QString())->openDatabase(QStringLiteral("archive\\jdupont_archive.nsf"), false)->isOpen());

    const ToolRun show = runTool(root.path(), {QStringLiteral("show"), QStringLiteral("--server"), kServer,
                                               QStringLiteral("--file"), kMailbox, QStringLiteral("--unid"), unid});
    EXPECT_THAT(show.out, QHasSubstr(QStringLiteral("devis.txt (13 octets")));
    const ToolRun twice = runTool(root.path(), {QStringLiteral("deliver"), QStringLiteral("--server"), kServer,
                                                QStringLiteral("--file"), kMailbox, QStringLiteral("--from"),
                                                QStringLiteral("x"), QStringLiteral("--subject"), QStringLiteral("y"),
                                                QStringLiteral("--unid"), unid});
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_THAT(twice.err, QHasSubstr(QStringLiteral("existe déjà")));
}

class StoreToolOutput : public StoreTest {};

TEST_F(StoreToolOutput, ListAndShowEscapeControlCharactersOneLinePerDocument) {
    store::Memo m = memo(QStringLiteral("Ligne 1\nLigne 2\\fin"));
    m.from = QStringLiteral("Marc\tLefèvre");
    m.body = QStringLiteral("avant") + QChar(0) + QStringLiteral("après\x1b[2J");
    const QString unid = test::deliver(*mailbox_, m)->universalID();
    deliver(QStringLiteral("Second"));

    const QStringList where{QStringLiteral("--server"), kServer, QStringLiteral("--file"),
                            kMailbox};
    const ToolRun list = runTool(root_.path(), QStringList{QStringLiteral("list")} + where);
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    const QStringList lines = list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << list.out.toStdString();
    const QStringList fields = lines.first().split(QLatin1Char('\t'));
    ASSERT_EQ(fields.size(), 4) << lines.first().toStdString();
    EXPECT_EQ(fields[2], QStringLiteral("Marc\\tLefèvre"));
    EXPECT_EQ(fields[3], QStringLiteral("Ligne 1\\nLigne 2\\\\fin"));

    const ToolRun show = runTool(
        root_.path(), QStringList{QStringLiteral("show"), QStringLiteral("--unid"), unid} + where);
    ASSERT_EQ(show.exitCode, 0) << show.err.toStdString();
    EXPECT_THAT(show.out, QHasSubstr(QStringLiteral("Body [1] : avant\\0après\\x1b[2J\n")));
    EXPECT_THAT(show.out, ::testing::Not(QHasSubstr(QChar(0x1b))));

}

TEST(StoreTool, DemoSeedBuildsTheDemoOnceAndRefusesToOverwriteIt) {
    TempDir root;
    ASSERT_EQ(runTool(root.path(), {QStringLiteral("demo-seed")}).exitCode, 0);
    store::LocalClient client(root.path());
    notes::SessionPtr session = client.createBackendSession();
    session->initialize(kPassword);
    EXPECT_EQ(session->userName(), kUser);
    for (const auto& [server, file] : {std::pair{QStringLiteral("Paris/Vantor"), QStringLiteral("mail\\jdupont.nsf")},
                                       std::pair{QStringLiteral("Lyon/Vantor"), QStringLiteral("mail\\equipe.nsf")}}) {
        notes::DatabasePtr db = session->getDbDirectory(server)->openDatabase(file, false);
        // The search folder, and a folder two levels down for the folder menu.
        EXPECT_TRUE(db->getView(QStringLiteral("Recherche")));
        EXPECT_TRUE(db->getView(QStringLiteral("Clients\\Martin & Fils")) ||
                    db->getView(QStringLiteral("Projets\\Atlas\\Comptes rendus")));
        EXPECT_FALSE(subjects(*db->getView(QStringLiteral("($All)"))).isEmpty());
    }
    for (const QString& archive :
         {QStringLiteral("archive\\jdupont_archive.nsf"), QStringLiteral("archive\\equipe_archive.nsf")})
        EXPECT_TRUE(session->getDbDirectory(QStringLiteral("local"))->openDatabase(archive, false)->isOpen());

    EXPECT_EQ(runTool(root.path(), {QStringLiteral("demo-seed")}).exitCode, 1);
    EXPECT_EQ(runTool(root.path(), {QStringLiteral("demo-seed"), QStringLiteral("--reset")}).exitCode, 0);
}

// A newcomer watching the demo takes a message seen twice for a duplicate:
// the feed never repeats one, however long it runs, even across a new year.
TEST(DemoFeed, NeverRepeatsASubjectOrABody) {
    for (const QDate today : {QDate(2008, 3, 14), QDate(2024, 12, 23)}) {
        QSet<QString> seenSubjects;
        QSet<QString> seenBodies;
        for (int i = 0; i < 2000; ++i) {
            const tool::demo::DemoMessage m = tool::demo::feedMessage(i, today);
            ASSERT_FALSE(m.subject.isEmpty());
            EXPECT_THAT(seenSubjects, ::testing::Not(QHasSubstr(m.subject)));
            EXPECT_THAT(seenBodies, ::testing::Not(QHasSubstr(m.body)));
            seenSubjects.insert(m.subject);
            seenBodies.insert(m.body);
        }
    }
}

}  // namespace
}  // namespace vantor::test
