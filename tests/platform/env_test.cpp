// Env's files: special files refused without waiting, leftovers of an
// interrupted replace removed, symbolic links kept.
#include "platform/env.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <cerrno>

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
    // process go; a running process's copy, a link and other names stay.
    const QString gone = target + ".tmp" + QString::number(deadPid());
    const QString goneLink = target + ".tmp" + QString::number(deadPid());
    QStringList kept = {dir.file("real/autre.ini.tmp") + QString::number(deadPid())};
    for (const QString& end : QStringList{QString::number(::getppid()), "", "12x", "0", "1.bak"})
        kept << target + ".tmp" + end;
    putBytes(gone, "half written");
    for (const QString& f : kept) putBytes(f, "keep");
    ASSERT_EQ(::symlink("param.ini", native(goneLink).constData()), 0);
    env.removeReplaceLeftovers(link);
    EXPECT_FALSE(QFileInfo::exists(gone));
    EXPECT_TRUE(QFileInfo(goneLink).isSymLink());
    for (const QString& f : kept) EXPECT_EQ(bytesOf(f), "keep") << f.toStdString();
    EXPECT_EQ(bytesOf(target), "[PARAM]\r\nA=1\r\nB=2\r\n");
}

}  // namespace
}  // namespace vantor::test
