// The mail client's frame in this process, on a real store: what its window
// tabs show and what sending a memo leaves in the store.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "client/client_frame.h"
#include "client/client_settings.h"
#include "client/database_list.h"
#include "client/database_window.h"
#include "client/document_window.h"
#include "client/view_listing.h"
#include "notes/store/local_client.h"
#include "notes/store/local_document.h"
#include "notes/workspace/workspace_codes.h"
#include "support/file_bytes.h"
#include "support/mailbox.h"
#include "support/qt_printers.h"
#include "support/temp_dir.h"

namespace vantor::client {
namespace {

using notes::protocol::ItemData;

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

    QString deliver(const QString& from, const QString& subject, const QDateTime& created,
                    QStringList folders = {"Recherche"}) {
        store::Memo memo = test::memo(subject);
        memo.from = from;
        memo.body = QStringLiteral("Bonjour,\r\nà demain.");
        memo.created = created;
        memo.folders = std::move(folders);
        return test::deliver(*mailbox_, memo)->universalID();
    }

    template <class T>
    T* currentTab() {
        return qobject_cast<T*>(frame_.findChild<QTabWidget*>("tabs")->currentWidget());
    }

    // The subjects of a folder, as another program sees them.
    QStringList subjectsIn(const QString& folder) {
        notes::SessionPtr session = client_.createClientSession();
        notes::ViewPtr view = session->getDatabase(QString(), kMailbox)->getView(folder);
        QStringList list;
        for (notes::DocumentPtr d = view->getFirstDocument(); d; d = view->getNextDocument(*d))
            list << d->itemValue("Subject");
        return list;
    }
    notes::DocumentPtr firstIn(const QString& folder) {
        notes::SessionPtr session = client_.createClientSession();
        return session->getDatabase(QString(), kMailbox)->getView(folder)->getFirstDocument();
    }

    test::TempDir root_;
    std::shared_ptr<store::LocalDatabase> mailbox_;
    store::LocalClient client_{root_.path()};
    ClientFrame frame_{client_, root_.path()};
};

TEST_F(ClientTest, SentMemoKeepsTheEditsAndLineBreaksAndIsFiledAsSent) {
    frame_.workspace().editDocument(true, {{"Body", notes::kRichText, "Bonjour,\r\nà demain.", {}},
                                           {"Subject", notes::kText, "Réunion", {}},
                                           {"SendTo", notes::kText, "Marie Martin/Vantor", {}}});
    DocumentWindow* memo = currentTab<DocumentWindow>();
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->fields().value("Body"), "Bonjour,\nà demain.");

    auto* sendTo = memo->findChild<QLineEdit*>("sendTo");
    QTest::keyClicks(sendTo, ", Jean Dupont");  // keyClicks types ASCII only
    auto* body = memo->findChild<QPlainTextEdit*>("body");
    body->moveCursor(QTextCursor::End);
    QTest::keyClick(body, Qt::Key_Return);
    QTest::keyClicks(body, "Jean");

    QPointer<QWidget> alive(memo);
    memo->findChild<QPushButton*>("send")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull()) << "the memo closes once sent";

    EXPECT_EQ(subjectsIn("($Inbox)"), QStringList{"Réunion"})
        << "the user was among the recipients";
    notes::DocumentPtr sent = firstIn("($Sent)");
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->itemValue("From"), kUser);
    EXPECT_FALSE(sent->itemValue("PostedDate").isEmpty());
    EXPECT_EQ(sent->itemValue("SendTo"), QStringLiteral("Marie Martin/Vantor, Jean Dupont"));
    EXPECT_EQ(sent->itemValue("Body"), QStringLiteral("Bonjour,\r\nà demain.\r\nJean"));
}

TEST_F(ClientTest, UntouchedBodyKeepsItsAttachmentsThroughTheDraftAndTheSending) {
    test::TempDir sender;  // where the program left its copy
    const QString copy = sender.file("1");
    ASSERT_TRUE(test::putBytes(copy, "1. budget"));
    frame_.workspace().editDocument(true,
                                    {{"SendTo", notes::kText, "Marie", {}},
                                     {"Body",
                                      notes::kRichText,
                                      QStringLiteral("Ci-joint."),
                                      {{notes::kFileAttachment, "../ordre du jour.txt", copy}}}});
    QFile::remove(copy);  // the program removes its copies once the client has answered
    DocumentWindow* memo = currentTab<DocumentWindow>();
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->fields().value("Attachments"), QStringLiteral("../ordre du jour.txt"));
    QTest::keyClicks(memo->findChild<QLineEdit*>("subject"), QStringLiteral("Ordre"));
    ASSERT_TRUE(memo->sendDocument());

    notes::ItemPtr body = firstIn("($Sent)")->getFirstItem("Body");
    ASSERT_EQ(body->embeddedObjects().size(), 1u);
    EXPECT_EQ(body->embeddedObjects().front()->bytes(), QByteArray("1. budget"));
}

TEST_F(ClientTest, MemoWithoutRecipientIsRefusedAndTheEditsStayOnScreen) {
    frame_.workspace().editDocument(true, {});
    DocumentWindow* memo = currentTab<DocumentWindow>();
    ASSERT_NE(memo, nullptr);
    QTest::keyClicks(memo->findChild<QLineEdit*>("subject"), QStringLiteral("Sans"));

    QString shownTitle;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shownTitle = box->windowTitle();
            box->close();
        }
    });
    memo->findChild<QPushButton*>("send")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_EQ(shownTitle, "ERREUR");
    ASSERT_EQ(currentTab<DocumentWindow>(), memo);
    EXPECT_EQ(memo->fields().value("Subject"), "Sans");
    EXPECT_TRUE(subjectsIn("($Sent)").isEmpty());
}

TEST_F(ClientTest, FolderTabListsInViewOrderSwitchesViewsAndOpensRowsReadOnly) {
    const QDateTime base(QDate(2024, 3, 1), QTime(9, 0));
    // Created dates out of filing order, so a listing sorted by date shows up.
    deliver("Ana", "un", base.addDays(2));
    deliver("Bob", "deux", base);
    deliver("Cid", "hors dossier", base, {});
    deliver("Dan", "trois", base.addDays(1));
    ASSERT_EQ(subjectsIn("Recherche"), QStringList({"un", "deux", "trois"}));

    frame_.workspace().openDatabase(QString(), "MAIL/jdupont.nsf", QStringLiteral("recherche"),
                                    QString(), true);
    DatabaseWindow* view = currentTab<DatabaseWindow>();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->fields().value("Subjects"), "un\ndeux\ntrois");

    // Asked again without a new instance, the same tab shows the other view.
    frame_.workspace().openDatabase(QString(), kMailbox, "($All)", QString(), false);
    EXPECT_EQ(currentTab<DatabaseWindow>(), view);
    EXPECT_EQ(view->fields().value("Subjects").split('\n').size(), 4);
    view->showView("Recherche");

    auto* list = view->findChild<QTreeWidget*>("documents");
    emit list->itemDoubleClicked(list->topLevelItem(1), 0);
    DocumentWindow* memo = currentTab<DocumentWindow>();
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->fields().value("Subject"), "deux");
    EXPECT_TRUE(memo->findChild<QLineEdit*>("subject")->isReadOnly());
    EXPECT_EQ(memo->findChild<QPushButton*>("send"), nullptr);
}

TEST_F(ClientTest, MissingViewOrDatabaseFailsWithItsCodeWithoutOpeningATab) {
    auto code = [&](const QString& file, const QString& view, QString* text) {
        try {
            frame_.workspace().openDatabase(QString(), file, view, QString(), true);
        } catch (const Failure& f) {
            *text = f.description();
            return f.code();
        }
        return 0;
    };
    QString text;
    EXPECT_EQ(code(kMailbox, "Absent", &text), notes::workspace_code::kViewNotFound);
    EXPECT_THAT(text, QHasSubstr("Absent"));
    EXPECT_EQ(code("mail/inconnu.nsf", "Recherche", &text),
              notes::workspace_code::kDatabaseNotOpen);
    EXPECT_EQ(code("../../etc/passwd", QString(), &text), notes::workspace_code::kDatabaseNotOpen);
    EXPECT_EQ(frame_.currentPage()->fields().value("Window"), QStringLiteral("Workspace"));
}

TEST_F(ClientTest, WorkspaceListsTheDatabasesOfEveryServer) {
    store::StoreAdmin admin(root_.path());
    admin.createDatabase("Paris/Vantor", "archive\\2023\\a.nsf", {kUser});
    admin.createServer("Lyon/Vantor");
    QFile(root_.file("local/notes.txt")).open(QIODevice::WriteOnly);

    const std::vector<ServerDatabases> servers = listDatabases(root_.path());
    ASSERT_EQ(servers.size(), 3u);
    EXPECT_EQ(servers[0].server, QString()) << "this machine first";
    EXPECT_EQ(servers[0].files, QStringList{kMailbox});
    EXPECT_EQ(servers[1].server, "lyon/vantor");
    EXPECT_TRUE(servers[1].files.isEmpty());
    EXPECT_EQ(servers[2].files, QStringList{"archive\\2023\\a.nsf"});
}

TEST(ClientSettings, DataFolderComesFromNotesIniElseBesideTheProgram) {
    test::TempDir dir;
    Env& env = *Env::Default();
    const QString program = dir.file("bin");
    EXPECT_EQ(notesIniPath({"notes", "--minimized"}, program), program + "/notes.ini");
    const QString ini = notesIniPath({"notes", "=" + dir.file("autre.ini")}, program);
    EXPECT_EQ(ini, dir.file("autre.ini"));

    EXPECT_EQ(dataDirectory(env, ini, program), program + "/notesdata") << "no file";
    test::putBytes(ini, "[Notes]\r\nDirectory=donnees\\mail\r\n");
    EXPECT_EQ(dataDirectory(env, ini, program), dir.file("donnees/mail")) << "relative to the ini";
}

TEST(ViewListing, StopsAtItsLimitAndSaysWhetherMoreWereLeft) {
    test::TempDir root;
    store::StoreAdmin admin(root.path());
    auto db = admin.createDatabase(QString(), QStringLiteral("a.nsf"), {});
    for (const char* subject : {"1", "2", "3"}) test::deliver(*db, subject);
    notes::ViewPtr all = db->getView("($All)");
    EXPECT_TRUE(listDocuments(*all, 2).truncated);
    EXPECT_EQ(listDocuments(*all, 2).documents.size(), 2u);
    EXPECT_FALSE(listDocuments(*all, 3).truncated);
}

}  // namespace
}  // namespace vantor::client
