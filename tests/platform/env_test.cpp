// Env's files: special files refused without waiting, leftovers of an
// interrupted replace removed, symbolic links kept, replacements ended behind.
#include "platform/env.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <cerrno>
#include <future>

#include "profile_test_files.h"
#include "support/temp_dir.h"

namespace vantor::test {
namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

// A process number that no process has any more.
pid_t deadPid() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

// A pipe as param.ini or erreur_log.txt used to block the open for ever; if
// that comes back, the alarm ends this program instead of the whole suite.
TEST(EnvFiles, SpecialFilesFailAtOnceAndAreLeftAsTheyAre) {
    ::alarm(60);
    TempDir dir;
    Env& env = *Env::Default();
    const QString fifo = dir.file("param.ini");
    ASSERT_EQ(::mkfifo(native(fifo).constData(), 0644), 0);

    const QString special[] = {fifo, dir.path(), "/dev/null"};
    for (const QString& path : special) {
        SCOPED_TRACE(path.toStdString());
        const auto refused = [](bool done) { return !done && errno == EINVAL; };
        errno = 0;
        EXPECT_TRUE(refused(env.readFile(path).has_value()) && refused(env.appendFile(path, "x")) &&
                    refused(env.replaceFile(path, "x")));
        EXPECT_EQ(readKey(path, "PARAM", "K", "def"), "def");
        EXPECT_FALSE(writeKey(path, "PARAM", "K", "v"));
    }
    // With a reader at the other end, nothing goes into the pipe either.
    const int reader = ::open(native(fifo).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(env.appendFile(fifo, "x"));
    EXPECT_FALSE(writeKey(fifo, "PARAM", "K", "v"));
    char c = 0;
    EXPECT_LE(::read(reader, &c, 1), 0);
    ::close(reader);

    struct stat st {};
    EXPECT_TRUE(::lstat(native(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
              QStringList{"param.ini"});
    ::alarm(0);
}

TEST(EnvFiles, OnlyLeftoversOfGoneProcessesAreRemovedAndLinksStayLinks) {
    TempDir dir;
    Env& env = *Env::Default();
    ASSERT_TRUE(QDir(dir.path()).mkdir("real"));
    const QString target = dir.file("real/param.ini");
    const QString link = dir.file("param.ini");
    putBytes(target, "[PARAM]\r\nA=1\r\n");
    ASSERT_EQ(::symlink("real/param.ini", native(link).constData()), 0);

    // Through the link: the link stays, its target is replaced.
    ASSERT_TRUE(writeKey(link, "PARAM", "B", "2"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(bytesOf(target), "[PARAM]\r\nA=1\r\nB=2\r\n");
    // A link to a file not there yet creates that file.
    const QString dangling = dir.file("other.ini");
    ASSERT_EQ(::symlink("real/new.ini", native(dangling).constData()), 0);
    ASSERT_TRUE(env.replaceFile(dangling, "n"));
    EXPECT_TRUE(QFileInfo(dangling).isSymLink());
    EXPECT_EQ(bytesOf(dir.file("real/new.ini")), "n");

    // Leftovers sit beside the target. Only plain files named after a gone
    // process go (ours without a number was an earlier one's); a running
    // process's copy, ours that may be under way, a link and other names stay.
    const QString dead = QString::number(deadPid()), own = QString::number(::getpid());
    const QString goneLink = target + ".tmp" + dead + ".4";
    QStringList gone, kept = {dir.file("real/autre.ini.tmp") + dead};
    for (const QString& end : {dead, dead + ".3", own}) gone << target + ".tmp" + end;
    for (const QString& end : QStringList{QString::number(::getppid()), own + ".3", "", "12x", "0",
                                          "1.bak", dead + ".3.1"})
        kept << target + ".tmp" + end;
    for (const QString& f : gone) putBytes(f, "half written");
    for (const QString& f : kept) putBytes(f, "keep");
    ASSERT_EQ(::symlink("param.ini", native(goneLink).constData()), 0);
    env.removeReplaceLeftovers(link);
    for (const QString& f : gone) EXPECT_FALSE(QFileInfo::exists(f)) << f.toStdString();
    EXPECT_TRUE(QFileInfo(goneLink).isSymLink());
    for (const QString& f : kept) EXPECT_EQ(bytesOf(f), "keep") << f.toStdString();
    EXPECT_EQ(bytesOf(target), "[PARAM]\r\nA=1\r\nB=2\r\n");
}

// A rename the file system refuses (immutable file, even to root) holds the
// worker in the hook: the next replacements wait, read and built on here.
TEST(EnvFiles, PendingReplacementsAreReadBuiltOnFlushedAndALateFailureIsReported) {
    TempDir dir;
    Env& env = *Env::Default();
    const QString stuck = dir.put("registre.reg", "old"), ini = dir.file("param.ini");
    if (QProcess::execute("chattr", {"+i", stuck}) != 0)
        GTEST_SKIP() << "no immutable attribute on this file system";
    std::promise<void> release;
    std::vector<std::pair<QString, int>> failures;
    env.setLateReplaceFailureHook(
        [&, held = release.get_future().share()](const QString& f, int e) {
            failures.emplace_back(f, e);
            held.wait_for(std::chrono::minutes(1));
        });
    const QByteArray both = "[PARAM]\r\nA=1\r\nB=1\r\n";
    EXPECT_TRUE(env.replaceFile(stuck, "new"));
    EXPECT_TRUE(writeKey(ini, "PARAM", "A", "1") && writeKey(ini, "PARAM", "B", "1"));
    EXPECT_EQ(env.readFile(ini), both);
    EXPECT_TRUE(env.fileExists(ini));
    EXPECT_EQ(env.fileStamp(ini), std::nullopt);  // no stamp to cache the old content by
    EXPECT_FALSE(QFileInfo::exists(ini));
    release.set_value();  // no ASSERT before: the worker must not stay held
    env.flushPendingReplacements();
    env.setLateReplaceFailureHook(nullptr);
    QProcess::execute("chattr", {"-i", stuck});
    EXPECT_THAT(failures,
                testing::ElementsAre(std::pair(QFileInfo(stuck).canonicalFilePath(), EPERM)));
    EXPECT_EQ(bytesOf(stuck), "old");
    EXPECT_EQ(bytesOf(ini), both);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"param.ini", "registre.reg"}));
}

}  // namespace
}  // namespace vantor::test
