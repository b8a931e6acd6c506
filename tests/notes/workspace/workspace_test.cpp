#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "notes/store/local_client.h"
#include "notes/store/memo.h"
#include "notes/store/store_admin.h"
#include "notes/workspace/qt_workspace.h"
#include "notes/workspace/view_listing.h"
#include "platform/gui/window_finder.h"
#include "support/temp_dir.h"

namespace vantor::notes {
namespace {

const QString kUser = QStringLiteral("Jean Dupont/Vantor");
const QString kFile = QStringLiteral("mail/jdupont.nsf");

template <class T>
std::vector<T*> openWindows() {
    std::vector<T*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) found.push_back(t);
    return found;
}

void closeAllWindows() {
    for (QWidget* w : QApplication::topLevelWidgets()) w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class WorkspaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        store::StoreAdmin admin(root_.path());
        admin.setUser(kUser, QStringLiteral("secret"), QString(), kFile);
        mailbox_ = admin.createMailbox(QString(), kFile, {kUser});
        admin.createFolder(QString(), kFile, QStringLiteral("Recherche"));
    }
    void TearDown() override { closeAllWindows(); }

    QString deliver(const QString& from, const QString& subject, const QDateTime& created,
                    QStringList folders = {QStringLiteral("Recherche")},
                    std::vector<store::MemoAttachment> attachments = {}) {
        store::Memo memo;
        memo.from = from;
        memo.sendTo = kUser;
        memo.subject = subject;
        memo.body = QStringLiteral("Bonjour,\r\nà demain.");
        memo.created = created;
        memo.folders = std::move(folders);
        memo.attachments = std::move(attachments);
        return store::deliverMemo(*mailbox_, memo)->universalID();
    }

    // What another program would see, through a session of its own.
    DocumentPtr reread(const QString& unid) {
        SessionPtr session = client_.createClientSession();
        return session->getDatabase(QString(), kFile)->getDocumentByUNID(unid);
    }

    test::TempDir root_;
    std::shared_ptr<store::LocalDatabase> mailbox_;
    store::LocalClient client_{root_.path(), &createQtWorkspace};
};

TEST_F(WorkspaceTest, EditedFieldsReachTheStoreWithTheirLineBreaks) {
    const QString unid = deliver(QStringLiteral("Marie Martin/Vantor"), QStringLiteral("Réunion"),
                                 QDateTime::currentDateTime());
    DocumentPtr doc = reread(unid);
    client_.createUIWorkspace()->editDocument(true, doc);
    doc.reset();  // the window keeps its own handle

    QWidget* window = findWindowByTitle(QStringLiteral("Lotus Notes"));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Lotus Notes"));
    auto* sendTo = window->findChild<QLineEdit*>(QStringLiteral("sendTo"));
    auto* subject = window->findChild<QLineEdit*>(QStringLiteral("subject"));
    auto* body = window->findChild<QPlainTextEdit*>(QStringLiteral("body"));
    ASSERT_TRUE(sendTo && subject && body);
    EXPECT_EQ(sendTo->text(), kUser);
    EXPECT_EQ(subject->text(), QStringLiteral("Réunion"));
    EXPECT_EQ(body->toPlainText(), QStringLiteral("Bonjour,\nà demain."));

    subject->selectAll();
    QTest::keyClicks(subject, QStringLiteral("Point hebdo"));  // keyClicks types ASCII only
    body->moveCursor(QTextCursor::End);
    QTest::keyClick(body, Qt::Key_Return);
    QTest::keyClicks(body, QStringLiteral("Jean"));

    QPointer<QWidget> alive(window);
    window->findChild<QPushButton*>(QStringLiteral("save"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull()) << "the window closes after a save";

    DocumentPtr stored = reread(unid);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->itemValue(QStringLiteral("Subject")), QStringLiteral("Point hebdo"));
    EXPECT_EQ(stored->itemValue(QStringLiteral("SendTo")), kUser);
    // The body keeps the line breaks it was stored with.
    EXPECT_EQ(stored->itemValue(QStringLiteral("Body")),
              QStringLiteral("Bonjour,\r\nà demain.\r\nJean"));
}

TEST_F(WorkspaceTest, SavingWithoutTouchingTheBodyKeepsItsAttachments) {
    const QString unid =
        deliver(QStringLiteral("Marie Martin/Vantor"), QStringLiteral("Réunion"),
                QDateTime::currentDateTime(), {QStringLiteral("Recherche")},
                {{QStringLiteral("ordre.txt"), QString(), QByteArray("1. budget")}});
    client_.createUIWorkspace()->editDocument(true, reread(unid));
    QWidget* window = findWindowByTitle(QStringLiteral("Lotus Notes"));
    ASSERT_NE(window, nullptr);
    QTest::keyClicks(window->findChild<QLineEdit*>(QStringLiteral("subject")),
                     QStringLiteral(" 2"));
    window->findChild<QPushButton*>(QStringLiteral("save"))->click();

    DocumentPtr stored = reread(unid);
    EXPECT_EQ(stored->itemValue(QStringLiteral("Subject")), QStringLiteral("Réunion 2"));
    ItemPtr body = stored->getFirstItem(QStringLiteral("Body"));
    ASSERT_TRUE(body);
    EXPECT_EQ(body->type(), kRichText);
    ASSERT_EQ(body->embeddedObjects().size(), 1u);
    EXPECT_EQ(body->embeddedObjects().front()->name(), QStringLiteral("ordre.txt"));
}

TEST_F(WorkspaceTest, FailedSaveIsShownAndTheEditsStayOnScreen) {
    const QString taken = deliver(kUser, QStringLiteral("Premier"), QDateTime::currentDateTime());
    SessionPtr session = client_.createClientSession();
    DocumentPtr memo = session->getDatabase(QString(), kFile)->createDocument();
    memo->setUniversalID(taken);  // refused by the store at save
    memo->replaceItemValue(QStringLiteral("Subject"), QStringLiteral("Brouillon"));
    client_.createUIWorkspace()->editDocument(true, memo);

    QWidget* window = findWindowByTitle(QStringLiteral("Lotus Notes"));
    ASSERT_NE(window, nullptr);
    QTest::keyClicks(window->findChild<QLineEdit*>(QStringLiteral("sendTo")),
                     QStringLiteral("Paul"));

    QString shownTitle, shownText;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shownTitle = box->windowTitle();
            shownText = box->text();
            box->close();
        }
    });
    window->findChild<QPushButton*>(QStringLiteral("save"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_EQ(shownTitle, QStringLiteral("ERREUR"));
    EXPECT_TRUE(shownText.contains(taken, Qt::CaseInsensitive)) << shownText.toStdString();
    ASSERT_EQ(findWindowByTitle(QStringLiteral("Lotus Notes")), window);
    EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("sendTo"))->text(),
              QStringLiteral("Paul"));
    EXPECT_EQ(reread(taken)->itemValue(QStringLiteral("Subject")), QStringLiteral("Premier"));
}

TEST_F(WorkspaceTest, FolderWindowListsInViewOrderAndOpensRowsReadOnly) {
    const QDateTime base(QDate(2024, 3, 1), QTime(9, 0));
    // Created dates out of filing order, so a listing sorted by date shows up.
    deliver(QStringLiteral("Ana"), QStringLiteral("un"), base.addDays(2));
    deliver(QStringLiteral("Bob"), QStringLiteral("deux"), base);
    deliver(QStringLiteral("Cid"), QStringLiteral("hors dossier"), base, {});
    deliver(QStringLiteral("Dan"), QStringLiteral("trois"), base.addDays(1));

    QStringList expected;
    {
        SessionPtr session = client_.createClientSession();
        ViewPtr folder =
            session->getDatabase(QString(), kFile)->getView(QStringLiteral("Recherche"));
        for (DocumentPtr d = folder->getFirstDocument(); d; d = folder->getNextDocument(*d))
            expected << d->itemValue(QStringLiteral("Subject"));
    }
    ASSERT_EQ(expected, QStringList({"un", "deux", "trois"}));

    client_.createUIWorkspace()->openDatabase(QString(), kFile, QStringLiteral("recherche"),
                                              QString(), true);
    const auto windows = openWindows<DatabaseWindow>();
    ASSERT_EQ(windows.size(), 1u);
    DatabaseWindow* window = windows.front();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Lotus Notes"));
    const QString header = window->findChild<QLabel*>(QStringLiteral("header"))->text();
    EXPECT_TRUE(header.contains(QStringLiteral("Recherche")) && header.contains(kFile))
        << header.toStdString();
    EXPECT_FALSE(header.contains(QStringLiteral("premiers")));

    auto* list = window->findChild<QTreeWidget*>(QStringLiteral("documents"));
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("De"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("Objet"));
    EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("Date"));
    QStringList listed;
    for (int i = 0; i < 3; ++i) listed << list->topLevelItem(i)->text(1);
    EXPECT_EQ(listed, expected);

    QTreeWidgetItem* second = list->topLevelItem(1);
    emit list->itemDoubleClicked(second, 0);
    const auto memos = openWindows<DocumentWindow>();
    ASSERT_EQ(memos.size(), 1u);
    auto* subject = memos.front()->findChild<QLineEdit*>(QStringLiteral("subject"));
    EXPECT_EQ(subject->text(), second->text(1));
    EXPECT_TRUE(subject->isReadOnly());
    EXPECT_TRUE(memos.front()->findChild<QPlainTextEdit*>(QStringLiteral("body"))->isReadOnly());
    EXPECT_EQ(memos.front()->findChild<QPushButton*>(QStringLiteral("save")), nullptr);
}

TEST_F(WorkspaceTest, MissingViewOrDatabaseFailsWithoutOpeningAWindow) {
    auto workspace = client_.createUIWorkspace();
    try {
        workspace->openDatabase(QString(), kFile, QStringLiteral("Absent"), QString(), true);
        ADD_FAILURE() << "a missing view must fail";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), workspace_code::kViewNotFound);
        EXPECT_TRUE(f.description().contains(QStringLiteral("Absent")));
    }
    try {
        workspace->openDatabase(QString(), QStringLiteral("mail/inconnu.nsf"),
                                QStringLiteral("Recherche"), QString(), true);
        ADD_FAILURE() << "a missing database must fail";
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), workspace_code::kDatabaseNotOpen);
        EXPECT_TRUE(f.description().contains(QStringLiteral("mail/inconnu.nsf")));
    }
    EXPECT_THROW(workspace->editDocument(true, nullptr), Failure);
    EXPECT_EQ(findWindowByTitle(QStringLiteral("Lotus Notes")), nullptr);
}

TEST_F(WorkspaceTest, ListingStopsAtItsLimitAndSaysWhetherMoreWereLeft) {
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < 3; ++i) deliver(kUser, QString::number(i), now);
    SessionPtr session = client_.createClientSession();
    ViewPtr folder = session->getDatabase(QString(), kFile)->getView(QStringLiteral("Recherche"));

    const ViewListing cut = listDocuments(*folder, 2);
    EXPECT_EQ(cut.documents.size(), 2u);
    EXPECT_TRUE(cut.truncated);
    const ViewListing exact = listDocuments(*folder, 3);
    EXPECT_EQ(exact.documents.size(), 3u);
    EXPECT_FALSE(exact.truncated);
}

}  // namespace
}  // namespace vantor::notes
