// Every way opening a mailbox can fail gives its own code and a description
// naming the server and the file, and never a crash or a hang.
#include <sqlite3.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <tuple>

#include "store_fixture.h"

namespace vantor::test {
namespace {

namespace code = store::code;
using ::testing::AllOf;

class SessionFailures : public StoreTest {};

TEST_F(SessionFailures, SessionIsRefusedWithoutUserOrPasswordUntilInitialized) {
    notes::SessionPtr session = client_.createBackendSession();
    EXPECT_EQ(failureCode([&] { session->getDatabase(kServer, kMailbox); }),
              code::kSessionNotInitialized);
    EXPECT_EQ(failureCode([&] { session->userName(); }), code::kSessionNotInitialized);
    // The wrong password carries the code the scan singles out; the session
    // stays unusable until the right one opens it.
    EXPECT_EQ(failureCode([&] { session->initialize("SECRET"); }), notes::code::kWrongPassword);
    EXPECT_EQ(failureCode([&] { session->initialize(QString()); }), notes::code::kWrongPassword);
    EXPECT_EQ(failureCode([&] { session->getDbDirectory(kServer); }), code::kSessionNotInitialized);
    session->initialize(kPassword);
    EXPECT_EQ(session->userName(), kUser);
    EXPECT_EQ(failureCode([&] { client_.createUIWorkspace(); }), code::kNoWorkspace);

    ASSERT_TRUE(QFile::remove(admin_.root().identityPath()));
    QString description;
    EXPECT_EQ(
        failureCode([&] { client_.createBackendSession()->initialize(kPassword); }, &description),
        code::kNoUser);
    EXPECT_THAT(description, QHasSubstr("Aucun utilisateur"));
    EXPECT_EQ(failureCode([&] { client_.createClientSession(); }), code::kNoUser);

    putBytes(admin_.root().identityPath(), "pas une identité");
    EXPECT_EQ(failureCode([&] { client_.createBackendSession()->initialize(kPassword); }),
              code::kIdentityUnreadable);
}

TEST_F(SessionFailures, DirectoryNeverFailsButOpeningNamesTheUnreachableServer) {
    notes::SessionPtr session = openSession();
    notes::DbDirectoryPtr unknown = session->getDbDirectory("Nantes/Vantor");
    notes::DbDirectoryPtr local = session->getDbDirectory("local");
    ASSERT_TRUE(unknown && local);

    QString description;
    EXPECT_EQ(failureCode([&] { unknown->openDatabase(kMailbox, false); }, &description),
              code::kServerUnreachable);
    EXPECT_THAT(description, AllOf(QHasSubstr("Nantes/Vantor"), QHasSubstr(kMailbox)));

    admin_.setServerDown(kServer, true);
    EXPECT_EQ(failureCode([&] { session->getDbDirectory(kServer)->openDatabase(kMailbox, false); }),
              code::kServerUnreachable);
    EXPECT_FALSE(session->getDatabase(kServer, kMailbox)->isOpen());
    admin_.setServerDown(kServer, false);
    EXPECT_TRUE(session->getDatabase(kServer, kMailbox)->isOpen());
}

TEST_F(SessionFailures, FileNamesMatchInAnyCaseAndSlashButNeverReachOutsideTheServer) {
    notes::DbDirectoryPtr dir = openSession()->getDbDirectory(kServer);
    for (const QString& same :
         {QStringLiteral("MAIL\\JDupont.NSF"), QStringLiteral("mail/jdupont.nsf"),
          QStringLiteral(".\\mail\\\\jdupont.nsf")})
        EXPECT_TRUE(
            openSession()->getDbDirectory("PARIS/vantor")->openDatabase(same, false)->isOpen())
            << same.toStdString();
    QString description;
    EXPECT_EQ(failureCode([&] { dir->openDatabase("mail\\absent.nsf", false); }, &description),
              code::kFileNotFound);
    EXPECT_THAT(description, AllOf(QHasSubstr("mail\\absent.nsf"), QHasSubstr(kServer)));

    // A real file next to the server folder must stay out of reach.
    admin_.createServer("Lyon/Vantor");
    admin_.createMailbox("Lyon/Vantor", "voisin.nsf", {kUser});
    const QString neighbour = QStringLiteral("..\\lyon%2fvantor\\voisin.nsf");
    for (const QString& bad :
         {neighbour, QStringLiteral("mail/../../user.id"), QStringLiteral("\\etc\\passwd"),
          QStringLiteral("/etc/passwd"), QStringLiteral("C:\\mail\\x.nsf"), QString(),
          QStringLiteral("mail\\"), QStringLiteral("mail\\a") + QChar(0) + QStringLiteral("b")})
        EXPECT_EQ(failureCode([&] { dir->openDatabase(bad, false); }), code::kBadFileName)
            << bad.toStdString();
    EXPECT_EQ(failureCode([&] { openSession()->getDbDirectory("Paris\nVantor"); }),
              code::kBadServerName);
}

TEST_F(SessionFailures, RefusedFilesFailAsDamagedAndAreLeftByteForByte) {
    const QString path = mailboxPath();
    for (int i = 0; i < 20; ++i) deliver(QStringLiteral("Message %1").arg(i));
    mailbox_.reset();  // closes the file: its journal is folded in
    const QByteArray whole = bytesOf(path);
    ASSERT_GT(whole.size(), 8192);
    const auto sqlite = [&](const char* sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        sqlite3_close(db);
    };

    // Each case: the bytes to write, or an SQL change made to the mailbox.
    const std::vector<std::tuple<const char*, QByteArray, const char*>> damaged{
        {"texte", QByteArray("Ceci n'est pas une base de courrier.\n"), nullptr},
        {"tronqué au milieu", whole.left(whole.size() / 2), nullptr},
        {"tronqué dans l'en-tête", whole.left(60), nullptr},
        {"vide", QByteArray(), nullptr},
        {"base SQLite étrangère", QByteArray(), "CREATE TABLE t(x); INSERT INTO t VALUES(1);"},
        {"table des champs supprimée", whole, "PRAGMA journal_mode=DELETE; DROP TABLE items;"},
        {"colonne manquante", whole,
         "PRAGMA journal_mode=DELETE; DROP TABLE acl; CREATE TABLE acl(key TEXT PRIMARY KEY);"},
    };
    for (const auto& [label, bytes, sql] : damaged) {
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        QFile::remove(path);
        putBytes(path, bytes);
        if (sql) sqlite(sql);
        const QByteArray before = bytesOf(path);
        QString description;
        EXPECT_EQ(failureCode([&] { openMailbox(); }, &description), code::kDatabaseCorrupt)
            << label;
        EXPECT_THAT(description, AllOf(QHasSubstr(kMailbox), QHasSubstr("endommagée")));
        // A refused file is not changed in any way, nor given journals.
        EXPECT_EQ(bytesOf(path), before) << label;
        EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral("-wal"))) << label;
    }
}

TEST_F(SessionFailures, NamedPipesWhereFilesShouldBeFailAtOnceInsteadOfWaiting) {
    const auto makeFifo = [](const QString& path) {
        QFile::remove(path);
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0) << path.toStdString();
    };
    // A journal beside the mailbox, then the mailbox itself.
    deliver("Avant");
    mailbox_.reset();
    const QString path = mailboxPath();
    makeFifo(path + QStringLiteral("-wal"));
    EXPECT_EQ(failureCode([&] { openMailbox(); }), code::kDatabaseCorrupt);
    QFile::remove(path + QStringLiteral("-wal"));
    EXPECT_TRUE(openMailbox()->isOpen());
    makeFifo(path);
    QString description;
    EXPECT_EQ(failureCode([&] { openMailbox(); }, &description), code::kDatabaseCorrupt);
    EXPECT_THAT(description, QHasSubstr("fichier ordinaire"));

    // A file to attach, turned into a pipe before the save reads it.
    admin_.createMailbox(kServer, "autre.nsf", {kUser});
    auto other = admin_.open(kServer, QStringLiteral("autre.nsf"));
    const QString attachment = root_.file("piece.txt");
    putBytes(attachment, "contenu");
    auto doc = std::static_pointer_cast<store::LocalDocument>(other->createDocument());
    doc->attachFile("Body", "piece.txt", attachment);
    makeFifo(attachment);
    EXPECT_EQ(failureCode([&] { doc->save(true, false); }), code::kCannotReadFile);

    // The identity, read by every session.
    makeFifo(admin_.root().identityPath());
    EXPECT_EQ(
        failureCode([&] { client_.createBackendSession()->initialize(kPassword); }, &description),
        code::kIdentityUnreadable);
    EXPECT_THAT(description, QHasSubstr("fichier ordinaire"));
    EXPECT_EQ(failureCode([&] { client_.createClientSession(); }), code::kIdentityUnreadable);
}

TEST_F(SessionFailures, UserOutsideTheAccessListIsRefused) {
    admin_.createServer("Lyon/Vantor");
    admin_.createMailbox("Lyon/Vantor", "mail\\direction.nsf", {"Isabelle Roux/Vantor"});
    notes::SessionPtr session = openSession();
    QString description;
    EXPECT_EQ(
        failureCode(
            [&] {
                session->getDbDirectory("Lyon/Vantor")->openDatabase("mail\\direction.nsf", false);
            },
            &description),
        code::kAccessDenied);
    EXPECT_THAT(description, QHasSubstr(kUser));

    admin_.grant("Lyon/Vantor", "mail\\direction.nsf", QStringLiteral("JEAN DUPONT/vantor"));
    EXPECT_TRUE(session->getDatabase("Lyon/Vantor", "mail\\direction.nsf")->isOpen());
}

TEST_F(SessionFailures, UnopenedDatabaseFallsBackToTheUsersMailFile) {
    notes::SessionPtr session = client_.createClientSession();
    notes::DatabasePtr db = session->getDatabase(QString(), QString());
    EXPECT_FALSE(db->isOpen());
    EXPECT_EQ(failureCode([&] { db->getView("($All)"); }), code::kDatabaseNotOpen);
    db->openMail();
    EXPECT_TRUE(db->isOpen());
    EXPECT_EQ(db->server(), kServer);
    EXPECT_EQ(db->filePath(), kMailbox);

    admin_.setServerDown(kServer, true);
    notes::DatabasePtr again = session->getDatabase(kServer, kMailbox);
    EXPECT_EQ(failureCode([&] { again->openMail(); }), code::kServerUnreachable);
}

TEST_F(SessionFailures, LockHeldTooLongGivesBusyFailureAndChangesNothing) {
    deliver("Avant le verrou");
    notes::DatabasePtr db = openMailbox();
    notes::DocumentPtr doc = db->createDocument();
    doc->replaceItemValue("Subject", "Bloqué");

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(mailboxPath().toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(failureCode([&] { doc->save(true, false); }), code::kDatabaseBusy);
    // Readers are not blocked by a writer.
    EXPECT_EQ(subjects(*db->getView("($All)")), QStringList{"Avant le verrou"});

    // An exclusive lock keeps even readers out.
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_exec(other, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr,
                 nullptr);
    EXPECT_EQ(failureCode([&] { openMailbox(); }), code::kDatabaseBusy);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    EXPECT_TRUE(doc->save(true, false));
    EXPECT_EQ(subjects(*openMailbox()->getView("($All)")),
              (QStringList{"Avant le verrou", "Bloqué"}));
}

}  // namespace
}  // namespace vantor::test
