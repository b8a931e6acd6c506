// The mail client's frame in this process, on a real store: what its window
// tabs show and what sending a memo leaves in the store.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
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
#include "support/mailbox.h"
#include "support/temp_dir.h"
#include "support/qt_printers.h"

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
        admin.createFolder(QString(), kMailbox, QStringLiteral("Recherche"));
    }

    QString deliver(const QString& from, const QString& subject, const QDateTime& created,
                    QStringList folders = {QStringLiteral("Recherche")}) {
        store::Memo memo = test::memo(subject);
        memo.from = from;
        memo.body = QStringLiteral("Bonjour,\r\nà demain.");
        memo.created = created;
        memo.folders = std::move(folders);
        return test::deliver(*mailbox_, memo)->universalID();
    }

    template <class T>
    T* currentTab() {
        return qobject_cast<T*>(
            frame_.findChild<QTabWidget*>(QStringLiteral("tabs"))->currentWidget());
    }

    // The subjects of a folder, as another program sees them.
    QStringList subjectsIn(const QString& folder) {
        notes::SessionPtr session = client_.createClientSession();
        notes::ViewPtr view = session->getDatabase(QString(), kMailbox)->getView(folder);
        QStringList list;
        for (notes::DocumentPtr d = view->getFirstDocument(); d; d = view->getNextDocument(*d))
            list << d->itemValue(QStringLiteral("Subject"));
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
    frame_.workspace().editDocument(
        true,
        {{QStringLiteral("Body"), notes::kRichText, QStringLiteral("Bonjour,\r\nà demain."), {}},
         {QStringLiteral("Subject"), notes::kText, QStringLiteral("Réunion"), {}},
         {QStringLiteral("SendTo"), notes::kText, QStringLiteral("Marie Martin/Vantor"), {}}});
    DocumentWindow* memo = currentTab<DocumentWindow>();
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->fields().value(QStringLiteral("Body")), QStringLiteral("Bonjour,\nà demain."));

    auto* sendTo = memo->findChild<QLineEdit*>(QStringLiteral("sendTo"));
    QTest::keyClicks(sendTo, QStringLiteral(", Jean Dupont"));  // keyClicks types ASCII only
    auto* body = memo->findChild<QPlainTextEdit*>(QStringLiteral("body"));
    body->moveCursor(QTextCursor::End);
    QTest::keyClick(body, Qt::Key_Return);
    QTest::keyClicks(body, QStringLiteral("Jean"));

    QPointer<QWidget> alive(memo);
    memo->findChild<QPushButton*>(QStringLiteral("send"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull()) << "the memo closes once sent";

    EXPECT_EQ(subjectsIn(QStringLiteral("($Sent)")), QStringList{QStringLiteral("Réunion")});
    EXPECT_EQ(subjectsIn(QStringLiteral("($Inbox)")), QStringList{QStringLiteral("Réunion")})
        << "the user was among the recipients";
    notes::DocumentPtr sent = firstIn(QStringLiteral("($Sent)"));
    EXPECT_EQ(sent->itemValue(QStringLiteral("From")), kUser);
    EXPECT_EQ(sent->itemValue(QStringLiteral("SendTo")),
              QStringLiteral("Marie Martin/Vantor, Jean Dupont"));
    EXPECT_EQ(sent->itemValue(QStringLiteral("Body")),
              QStringLiteral("Bonjour,\r\nà demain.\r\nJean"));
    EXPECT_FALSE(sent->itemValue(QStringLiteral("PostedDate")).isEmpty());
}

TEST_F(ClientTest, UntouchedBodyKeepsItsAttachmentsThroughTheDraftAndTheSending) {
    test::TempDir sender;  // where the program left its copy
    const QString copy = sender.file(QStringLiteral("1"));
    {
        QFile f(copy);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("1. budget");
    }
    frame_.workspace().editDocument(
        true, {{QStringLiteral("SendTo"), notes::kText, QStringLiteral("Marie"), {}},
               {QStringLiteral("Body"),
                notes::kRichText,
                QStringLiteral("Ci-joint."),
                {{notes::kFileAttachment, QStringLiteral("../ordre du jour.txt"), copy}}}});
    QFile::remove(copy);  // the program removes its copies once the client has answered
    DocumentWindow* memo = currentTab<DocumentWindow>();
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->fields().value(QStringLiteral("Attachments")),
              QStringLiteral("../ordre du jour.txt"));
    QTest::keyClicks(memo->findChild<QLineEdit*>(QStringLiteral("subject")),
                     QStringLiteral("Ordre"));
    ASSERT_TRUE(memo->sendDocument());

    notes::ItemPtr body = firstIn(QStringLiteral("($Sent)"))->getFirstItem(QStringLiteral("Body"));
    ASSERT_TRUE(body);
    EXPECT_EQ(body->type(), notes::kRichText);
    ASSERT_EQ(body->embeddedObjects().size(), 1u);
    const QString extracted = sender.file(QStringLiteral("extrait"));
    body->embeddedObjects().front()->extractFile(extracted);
    QFile f(extracted);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("1. budget"));
}

TEST_F(ClientTest, MemoWithoutRecipientIsRefusedAndTheEditsStayOnScreen) {
    frame_.workspace().editDocument(true, {});
    DocumentWindow* memo = currentTab<DocumentWindow>();
    ASSERT_NE(memo, nullptr);
    QTest::keyClicks(memo->findChild<QLineEdit*>(QStringLiteral("subject")),
                     QStringLiteral("Sans"));

    QString shownTitle;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shownTitle = box->windowTitle();
            box->close();
        }
    });
    memo->findChild<QPushButton*>(QStringLiteral("send"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_EQ(shownTitle, QStringLiteral("ERREUR"));
    ASSERT_EQ(currentTab<DocumentWindow>(), memo);
    EXPECT_EQ(memo->fields().value(QStringLiteral("Subject")), QStringLiteral("Sans"));
    EXPECT_TRUE(subjectsIn(QStringLiteral("($Sent)")).isEmpty());
}

TEST_F(ClientTest, FolderTabListsInViewOrderSwitchesViewsAndOpensRowsReadOnly) {
    const QDateTime base(QDate(2024, 3, 1), QTime(9, 0));
    // Created dates out of filing order, so a listing sorted by date shows up.
    deliver(QStringLiteral("Ana"), QStringLiteral("un"), base.addDays(2));
    deliver(QStringLiteral("Bob"), QStringLiteral("deux"), base);
    deliver(QStringLiteral("Cid"), QStringLiteral("hors dossier"), base, {});
    deliver(QStringLiteral("Dan"), QStringLiteral("trois"), base.addDays(1));
    ASSERT_EQ(subjectsIn(QStringLiteral("Recherche")), QStringList({"un", "deux", "trois"}));

    frame_.workspace().openDatabase(QString(), QStringLiteral("MAIL/jdupont.nsf"),
                                    QStringLiteral("recherche"), QString(), true);
    DatabaseWindow* view = currentTab<DatabaseWindow>();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(frame_.windowTitle(), QStringLiteral("Lotus Notes"));
    EXPECT_EQ(view->fields().value(QStringLiteral("Subjects")), QStringLiteral("un\ndeux\ntrois"));
    const QString header = view->findChild<QLabel*>(QStringLiteral("header"))->text();
    EXPECT_THAT(header, QHasSubstr(QStringLiteral("Recherche")));

    // Asked again without a new instance, the same tab shows the other view.
    frame_.workspace().openDatabase(QString(), kMailbox, QStringLiteral("($All)"), QString(), false);
    EXPECT_EQ(currentTab<DatabaseWindow>(), view);
    EXPECT_EQ(view->fields().value(QStringLiteral("Subjects")).split('\n').size(), 4);
    view->showView(QStringLiteral("Recherche"));

    auto* list = view->findChild<QTreeWidget*>(QStringLiteral("documents"));
    emit list->itemDoubleClicked(list->topLevelItem(1), 0);
    DocumentWindow* memo = currentTab<DocumentWindow>();
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->fields().value(QStringLiteral("Subject")), QStringLiteral("deux"));
    EXPECT_EQ(memo->fields().value(QStringLiteral("Mode")), QStringLiteral("Read"));
    EXPECT_TRUE(memo->findChild<QLineEdit*>(QStringLiteral("subject"))->isReadOnly());
    EXPECT_EQ(memo->findChild<QPushButton*>(QStringLiteral("send")), nullptr);
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
    EXPECT_EQ(code(kMailbox, QStringLiteral("Absent"), &text), notes::workspace_code::kViewNotFound);
    EXPECT_THAT(text, QHasSubstr(QStringLiteral("Absent")));
    EXPECT_EQ(code(QStringLiteral("mail/inconnu.nsf"), QStringLiteral("Recherche"), &text),
              notes::workspace_code::kDatabaseNotOpen);
    EXPECT_THAT(text, QHasSubstr(QStringLiteral("mail/inconnu.nsf")));
    EXPECT_EQ(code(QStringLiteral("../../etc/passwd"), QString(), &text),
              notes::workspace_code::kDatabaseNotOpen);
    EXPECT_EQ(frame_.currentPage()->fields().value(QStringLiteral("Window")),
              QStringLiteral("Workspace"));
}

TEST_F(ClientTest, WorkspaceListsTheDatabasesOfEveryServer) {
    store::StoreAdmin admin(root_.path());
    admin.createDatabase(QStringLiteral("Paris/Vantor"), QStringLiteral("archive\\2023\\a.nsf"),
                         {kUser});
    admin.createServer(QStringLiteral("Lyon/Vantor"));
    QFile(root_.file(QStringLiteral("local/notes.txt"))).open(QIODevice::WriteOnly);

    const std::vector<ServerDatabases> servers = listDatabases(root_.path());
    ASSERT_EQ(servers.size(), 3u);
    EXPECT_EQ(servers[0].server, QString()) << "this machine first";
    EXPECT_EQ(servers[0].files, QStringList{kMailbox});
    EXPECT_EQ(servers[1].server, QStringLiteral("lyon/vantor"));
    EXPECT_TRUE(servers[1].files.isEmpty());
    EXPECT_EQ(servers[2].files, QStringList{QStringLiteral("archive\\2023\\a.nsf")});
}

TEST(ClientSettings, DataFolderComesFromNotesIniElseBesideTheProgram) {
    test::TempDir dir;
    Env& env = *Env::Default();
    const QString program = dir.file(QStringLiteral("bin"));
    EXPECT_EQ(notesIniPath({"notes", "--minimized"}, program), program + "/notes.ini");
    const QString ini = notesIniPath({"notes", "=" + dir.file("autre.ini")}, program);
    EXPECT_EQ(ini, dir.file("autre.ini"));

    EXPECT_EQ(dataDirectory(env, ini, program), program + "/notesdata") << "no file";
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Notes]\r\nDirectory=donnees\\mail\r\n");
    f.close();
    EXPECT_EQ(dataDirectory(env, ini, program), dir.file("donnees/mail")) << "relative to the ini";
}

TEST(ViewListing, StopsAtItsLimitAndSaysWhetherMoreWereLeft) {
    test::TempDir root;
    store::StoreAdmin admin(root.path());
    auto db = admin.createDatabase(QString(), QStringLiteral("a.nsf"), {});
    for (int i = 0; i < 3; ++i) {
        store::Memo memo;
        memo.subject = QString::number(i);
        store::deliverMemo(*db, memo);
    }
    notes::ViewPtr all = db->getView(QStringLiteral("($All)"));

    const ViewListing cut = listDocuments(*all, 2);
    EXPECT_EQ(cut.documents.size(), 2u);
    EXPECT_TRUE(cut.truncated);
    const ViewListing exact = listDocuments(*all, 3);
    EXPECT_EQ(exact.documents.size(), 3u);
    EXPECT_FALSE(exact.truncated);
}

}  // namespace
}  // namespace vantor::client
