// The mail client's frame in this process, on a real store: what its window
// tabs show and what sending a memo leaves in the store.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <stdexcept>

#include "client/client_frame.h"
#include "client/client_settings.h"
#include "client/database_list.h"
#include "client/database_window.h"
#include "client/document_window.h"
#include "client/view_listing.h"
#include "notes/store_fixture.h"
#include "notes/workspace/workspace_codes.h"

namespace vantor::client {
namespace {

using test::kMailbox;
using test::kUser;
using test::QHasSubstr;

class ClientTest : public ::testing::Test {
  protected:
    void SetUp() override {
        store::StoreAdmin admin(root_.path());
        admin.setUser(kUser, test::kPassword, QString(), kMailbox);
        mailbox_ = admin.createMailbox(QString(), kMailbox, {kUser});
        admin.createFolder(QString(), kMailbox, "Recherche");
    }

    // The tab on top, which must be a T.
    template <class T>
    T& tab() {
        auto* t = qobject_cast<T*>(frame_.findChild<QTabWidget*>("tabs")->currentWidget());
        if (!t) throw std::runtime_error("not the tab expected");
        return *t;
    }
    // A folder of the mailbox, as another program sees it.
    notes::ViewPtr view(const QString& folder) {
        return client_.createClientSession()->getDatabase(QString(), kMailbox)->getView(folder);
    }
    QStringList subjectsIn(const QString& folder) { return test::subjects(*view(folder)); }
    // Sends `memo` with its button; the memo window is gone after.
    void send(DocumentWindow& memo) {
        memo.findChild<QPushButton*>("send")->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    test::TempDir root_;
    std::shared_ptr<store::LocalDatabase> mailbox_;
    store::LocalClient client_{root_.path()};
    ClientFrame frame_{client_, root_.path()};
};

// Refused while it names no recipient, the edits kept on screen; then sent.
TEST_F(ClientTest, MemoWithoutRecipientIsRefusedThenSentKeepingTheEditsAndLineBreaks) {
    frame_.workspace().editDocument(true, {{"Body", notes::kRichText, "Bonjour,\r\nà demain.", {}},
                                           {"Subject", notes::kText, "Réunion", {}}});
    DocumentWindow& memo = tab<DocumentWindow>();
    EXPECT_EQ(memo.fields().value("Body"), "Bonjour,\nà demain.");
    auto* body = memo.findChild<QPlainTextEdit*>("body");
    body->moveCursor(QTextCursor::End);
    QTest::keyClick(body, Qt::Key_Return);
    QTest::keyClicks(body, "Jean");
    QString shownTitle;
    QTimer::singleShot(0, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) shownTitle = box->windowTitle();
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    send(memo);
    EXPECT_EQ(shownTitle, "ERREUR");
    EXPECT_TRUE(subjectsIn("($Sent)").isEmpty());

    QTest::keyClicks(tab<DocumentWindow>().findChild<QLineEdit*>("sendTo"), "Marie, Jean Dupont");
    QPointer<QWidget> alive(&memo);
    send(memo);
    EXPECT_TRUE(alive.isNull()) << "the memo closes once sent";
    EXPECT_EQ(subjectsIn("($Inbox)"), QStringList{"Réunion"}) << "the user was a recipient";
    notes::DocumentPtr sent = view("($Sent)")->getFirstDocument();
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->itemValue("SendTo"), QStringLiteral("Marie, Jean Dupont"));
    EXPECT_EQ(sent->itemValue("Body"), QStringLiteral("Bonjour,\r\nà demain.\r\nJean"));
}

TEST_F(ClientTest, UntouchedBodyKeepsItsAttachmentsThroughTheDraftAndTheSending) {
    test::TempDir sender;  // where the program left its copy
    const QString copy = sender.put("1", "1. budget");
    frame_.workspace().editDocument(true,
                                    {{"SendTo", notes::kText, "Marie", {}},
                                     {"Body",
                                      notes::kRichText,
                                      QStringLiteral("Ci-joint."),
                                      {{notes::kFileAttachment, "../ordre du jour.txt", copy}}}});
    QFile::remove(copy);  // the program removes its copies once the client has answered
    DocumentWindow& memo = tab<DocumentWindow>();
    EXPECT_EQ(memo.fields().value("Attachments"), QStringLiteral("../ordre du jour.txt"));
    QTest::keyClicks(memo.findChild<QLineEdit*>("subject"), QStringLiteral("Ordre"));
    ASSERT_TRUE(memo.sendDocument());
    const auto objects =
        view("($Sent)")->getFirstDocument()->getFirstItem("Body")->embeddedObjects();
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects.front()->bytes(), QByteArray("1. budget"));
}

TEST_F(ClientTest, FolderTabListsInViewOrderSwitchesViewsAndOpensRowsReadOnly) {
    const QDateTime base(QDate(2024, 3, 1), QTime(9, 0));
    // Created dates out of filing order, so a listing sorted by date shows up.
    const std::pair<const char*, int> memos[] = {{"un", 2}, {"deux", 0}, {"trois", 1}, {"hors", 0}};
    for (const auto& [subject, days] : memos) {
        store::Memo memo = test::memo(subject);
        memo.created = base.addDays(days);
        if (QLatin1String(subject) != "hors") memo.folders = {"Recherche"};
        test::deliver(*mailbox_, memo);
    }
    frame_.workspace().openDatabase(QString(), "MAIL/jdupont.nsf", QStringLiteral("recherche"),
                                    QString(), true);
    DatabaseWindow& folder = tab<DatabaseWindow>();
    EXPECT_EQ(folder.fields().value("Subjects"), "un\ndeux\ntrois");

    // Asked again without a new instance, the same tab shows the other view.
    frame_.workspace().openDatabase(QString(), kMailbox, "($All)", QString(), false);
    EXPECT_EQ(&tab<DatabaseWindow>(), &folder);
    EXPECT_EQ(folder.fields().value("Subjects").split('\n').size(), 4);
    folder.showView("Recherche");

    auto* list = folder.findChild<QTreeWidget*>("documents");
    emit list->itemDoubleClicked(list->topLevelItem(1), 0);
    DocumentWindow& memo = tab<DocumentWindow>();
    EXPECT_EQ(memo.fields().value("Subject"), "deux");
    EXPECT_TRUE(memo.findChild<QLineEdit*>("subject")->isReadOnly());
    EXPECT_EQ(memo.findChild<QPushButton*>("send"), nullptr);
}

TEST_F(ClientTest, MissingViewOrDatabaseFailsWithItsCodeWithoutOpeningATab) {
    const auto opening = [this](const QString& file, const QString& view) {
        return
            [=, this] { frame_.workspace().openDatabase(QString(), file, view, QString(), true); };
    };
    EXPECT_THAT(opening(kMailbox, "Absent"),
                test::Fails(notes::workspace_code::kViewNotFound, QHasSubstr("Absent")));
    for (const QString file : {"mail/inconnu.nsf", "../../etc/passwd"})
        EXPECT_EQ(test::failureCode(opening(file, "Recherche")),
                  notes::workspace_code::kDatabaseNotOpen);
    EXPECT_EQ(frame_.currentPage()->fields().value("Window"), QStringLiteral("Workspace"));
}

TEST_F(ClientTest, WorkspaceListsTheDatabasesOfEveryServer) {
    store::StoreAdmin admin(root_.path());
    admin.createDatabase("Paris/Vantor", "archive\\2023\\a.nsf", {kUser});
    admin.createServer("Lyon/Vantor");
    test::putBytes(root_.file("local/notes.txt"), "");
    const std::vector<ServerDatabases> servers = listDatabases(root_.path());
    ASSERT_EQ(servers.size(), 3u);
    EXPECT_EQ(servers[0].server, QString()) << "this machine first";
    EXPECT_EQ(servers[0].files, QStringList{kMailbox});
    EXPECT_EQ(servers[1].server, "lyon/vantor");
    EXPECT_EQ(servers[2].files, QStringList{"archive\\2023\\a.nsf"});
}

TEST(ClientSettings, DataFolderComesFromNotesIniElseBesideTheProgram) {
    test::TempDir dir;
    const QString program = dir.file("bin");
    EXPECT_EQ(notesIniPath({"notes", "--minimized"}, program), program + "/notes.ini");
    const QString ini = notesIniPath({"notes", "=" + dir.file("autre.ini")}, program);
    EXPECT_EQ(ini, dir.file("autre.ini"));
    EXPECT_EQ(dataDirectory(*Env::Default(), ini, program), program + "/notesdata") << "no file";
    test::putBytes(ini, "[Notes]\r\nDirectory=donnees\\mail\r\n");
    EXPECT_EQ(dataDirectory(*Env::Default(), ini, program), dir.file("donnees/mail"));
}

TEST(ViewListing, StopsAtItsLimitAndSaysWhetherMoreWereLeft) {
    test::TempDir root;
    auto db = store::StoreAdmin(root.path()).createDatabase(QString(), "a.nsf", {});
    for (const char* subject : {"1", "2", "3"}) test::deliver(*db, subject);
    notes::ViewPtr all = db->getView("($All)");
    EXPECT_EQ(listDocuments(*all, 2).documents.size(), 2u);
    EXPECT_TRUE(listDocuments(*all, 2).truncated);
    EXPECT_FALSE(listDocuments(*all, 3).truncated);
}

}  // namespace
}  // namespace vantor::client
