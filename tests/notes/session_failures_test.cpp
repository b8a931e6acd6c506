// Every way opening a mailbox can fail gives its own code and a description
// naming the server and the file, and never a crash or a hang.
#include <sqlite3.h>
#include <sys/stat.h>

#include <QFileInfo>
#include <tuple>

#include "store_fixture.h"

namespace vantor::test {
namespace {

namespace code = store::code;
using ::testing::AllOf;

class SessionFailures : public StoreTest {
  protected:
    // Opening the user's mailbox, or the user's identity, in a new session.
    std::function<void()> opening = [this] { openMailbox(); };
    std::function<void()> identity = [this] {
        client_.createBackendSession()->initialize(kPassword);
    };
};

TEST_F(SessionFailures, SessionIsRefusedWithoutUserOrPasswordUntilInitialized) {
    notes::SessionPtr session = client_.createBackendSession();
    EXPECT_EQ(failureCode([&] { session->getDatabase(kServer, kMailbox); }),
              code::kSessionNotInitialized);
    // The wrong password carries the code the scan singles out; the session
    // stays unusable until the right one opens it.
    EXPECT_EQ(failureCode([&] { session->initialize("SECRET"); }), notes::code::kWrongPassword);
    EXPECT_EQ(failureCode([&] { session->initialize(QString()); }), notes::code::kWrongPassword);
    EXPECT_EQ(failureCode([&] { session->getDbDirectory(kServer); }), code::kSessionNotInitialized);
    session->initialize(kPassword);
    EXPECT_EQ(session->userName(), kUser);
    EXPECT_EQ(failureCode([&] { client_.createUIWorkspace(); }), code::kNoWorkspace);

    QFile::remove(admin_.root().identityPath());
    EXPECT_THAT(identity, Fails(code::kNoUser, QHasSubstr("Aucun utilisateur")));
    EXPECT_EQ(failureCode([&] { client_.createClientSession(); }), code::kNoUser);
    putBytes(admin_.root().identityPath(), "pas une identité");
    EXPECT_EQ(failureCode(identity), code::kIdentityUnreadable);
}

TEST_F(SessionFailures, DirectoryNeverFailsButOpeningNamesTheUnreachableServer) {
    notes::SessionPtr session = openSession();
    notes::DbDirectoryPtr unknown = session->getDbDirectory("Nantes/Vantor");
    EXPECT_THAT(
        [&] { unknown->openDatabase(kMailbox, false); },
        Fails(code::kServerUnreachable, AllOf(QHasSubstr("Nantes/Vantor"), QHasSubstr(kMailbox))));

    admin_.setServerDown(kServer, true);  // up again: reserved_names_test
    EXPECT_FALSE(session->getDatabase(kServer, kMailbox)->isOpen());
}

TEST_F(SessionFailures, FileNamesMatchInAnyCaseAndSlashButNeverReachOutsideTheServer) {
    notes::DbDirectoryPtr dir = openSession()->getDbDirectory("PARIS/vantor");
    for (const char* same : {"MAIL\\JDupont.NSF", "mail/jdupont.nsf", ".\\mail\\\\jdupont.nsf"})
        EXPECT_TRUE(dir->openDatabase(same, false)->isOpen()) << same;
    EXPECT_THAT([&] { dir->openDatabase("mail\\absent.nsf", false); },
                Fails(code::kFileNotFound,
                      AllOf(QHasSubstr("mail\\absent.nsf"), QHasSubstr("PARIS/vantor"))));

    // A real file next to the server folder must stay out of reach.
    admin_.createServer("Lyon/Vantor");
    admin_.createMailbox("Lyon/Vantor", "voisin.nsf", {kUser});
    for (const QString& bad :
         {QStringLiteral("..\\lyon%2fvantor\\voisin.nsf"), QStringLiteral("mail/../../user.id"),
          QStringLiteral("\\etc\\passwd"), QStringLiteral("/etc/passwd"),
          QStringLiteral("C:\\mail\\x.nsf"), QString(), QStringLiteral("mail\\"),
          QStringLiteral("mail\\a") + QChar(0) + QStringLiteral("b")})
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
    // Each case: the bytes to write, then an SQL change made to them.
    const std::tuple<const char*, QByteArray, const char*> damaged[] = {
        {"texte", "Ceci n'est pas une base de courrier.\n", nullptr},
        {"tronqué au milieu", whole.left(whole.size() / 2), nullptr},
        {"tronqué dans l'en-tête", whole.left(60), nullptr},
        {"vide", QByteArray(), nullptr},
        {"base SQLite étrangère", QByteArray(), "CREATE TABLE t(x); INSERT INTO t VALUES(1);"},
        {"table des champs supprimée", whole, "PRAGMA journal_mode=DELETE; DROP TABLE items;"},
        {"colonne manquante", whole,
         "PRAGMA journal_mode=DELETE; DROP TABLE acl; CREATE TABLE acl(key TEXT PRIMARY KEY);"},
    };
    for (const auto& [label, bytes, sql] : damaged) {
        SCOPED_TRACE(label);
        QFile::remove(path);
        putBytes(path, bytes);
        if (sql) {
            sqlite3* db = nullptr;
            sqlite3_open(path.toUtf8().constData(), &db);
            EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        }
        const QByteArray before = bytesOf(path);
        EXPECT_THAT(opening, Fails(code::kDatabaseCorrupt,
                                   AllOf(QHasSubstr(kMailbox), QHasSubstr("endommagée"))));
        // A refused file is not changed in any way, nor given journals.
        EXPECT_EQ(bytesOf(path), before);
        EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral("-wal")));
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
    EXPECT_EQ(failureCode(opening), code::kDatabaseCorrupt);
    QFile::remove(path + QStringLiteral("-wal"));
    makeFifo(path);
    EXPECT_THAT(opening, Fails(code::kDatabaseCorrupt, QHasSubstr("fichier ordinaire")));

    // A file to attach, turned into a pipe before the save reads it.
    auto other = admin_.createMailbox(kServer, "autre.nsf", {kUser});
    const QString attachment = root_.put("piece.txt", "contenu");
    auto doc = std::static_pointer_cast<store::LocalDocument>(other->createDocument());
    doc->attachFile("Body", "piece.txt", attachment);
    makeFifo(attachment);
    EXPECT_EQ(failureCode([&] { doc->save(true, false); }), code::kCannotReadFile);

    // The identity, read by every session.
    makeFifo(admin_.root().identityPath());
    EXPECT_THAT(identity, Fails(code::kIdentityUnreadable, QHasSubstr("fichier ordinaire")));
    EXPECT_EQ(failureCode([&] { client_.createClientSession(); }), code::kIdentityUnreadable);
}

TEST_F(SessionFailures, UserOutsideTheAccessListIsRefused) {
    admin_.createMailbox(kServer, "direction.nsf", {"Isabelle Roux/Vantor"});
    notes::DbDirectoryPtr dir = openSession()->getDbDirectory(kServer);
    EXPECT_THAT([&] { dir->openDatabase("direction.nsf", false); },
                Fails(code::kAccessDenied, QHasSubstr(kUser)));
    admin_.grant(kServer, "direction.nsf", "JEAN DUPONT/vantor");
    EXPECT_TRUE(dir->openDatabase("direction.nsf", false)->isOpen());
}

TEST_F(SessionFailures, UnopenedDatabaseFallsBackToTheUsersMailFile) {
    notes::SessionPtr session = client_.createClientSession();
    notes::DatabasePtr db = session->getDatabase(QString(), QString());
    EXPECT_EQ(failureCode([&] { db->getView("($All)"); }), code::kDatabaseNotOpen);
    db->openMail();
    EXPECT_EQ(db->filePath(), kMailbox);
}

TEST_F(SessionFailures, LockHeldTooLongGivesBusyFailureAndChangesNothing) {
    deliver("Avant le verrou");
    notes::DatabasePtr db = openMailbox();
    notes::DocumentPtr doc = db->createDocument();
    doc->replaceItemValue("Subject", "Bloqué");

    sqlite3* other = nullptr;
    sqlite3_open(mailboxPath().toUtf8().constData(), &other);
    sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    EXPECT_EQ(failureCode([&] { doc->save(true, false); }), code::kDatabaseBusy);
    // Readers are not blocked by a writer; an exclusive lock keeps even them out.
    EXPECT_EQ(subjects(*db->getView("($All)")), QStringList{"Avant le verrou"});
    sqlite3_exec(other, "ROLLBACK; PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr,
                 nullptr, nullptr);
    EXPECT_EQ(failureCode(opening), code::kDatabaseBusy);
    sqlite3_close(other);  // its transaction rolled back

    EXPECT_TRUE(doc->save(true, false));
    EXPECT_EQ(subjects(*openMailbox()->getView("($All)")),
              (QStringList{"Avant le verrou", "Bloqué"}));
}

}  // namespace
}  // namespace vantor::test
