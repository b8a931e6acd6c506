// SQLite's locks belong to the process (POSIX record locks), and closing any
// descriptor of a file drops all of them. The popup's actions open a mailbox
// that the scan, in the same process, is walking: if that open looked at the
// file through a descriptor of its own, the scan's locks would go, and the
// feeder's process could then write and checkpoint under the scan's reads
// and damage the mailbox.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "store_fixture.h"

namespace vantor::test {
namespace {

// Whether another process sees a lock held on `path` (any byte).
bool lockedForOthers(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(native.constData(), O_RDWR);
        struct flock probe {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        const bool locked = fd >= 0 && ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
        ::_exit(locked ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

TEST_F(StoreTest, OpeningAMailboxAgainKeepsTheLocksOfTheConnectionWalkingIt) {
    deliver("Premier");
    notes::DatabasePtr scan = openMailbox();
    notes::ViewPtr all = scan->getView("($All)");
    ASSERT_TRUE(all->getFirstDocument());
    const QString index = mailboxPath() + QStringLiteral("-shm");
    ASSERT_TRUE(lockedForOthers(index));

    // A popup action opens the mailbox the scan is walking.
    notes::DatabasePtr action = openSession()->getDatabase(kServer, kMailbox);
    ASSERT_TRUE(action && action->isOpen());
    EXPECT_TRUE(lockedForOthers(index));
    EXPECT_TRUE(lockedForOthers(mailboxPath()));
    EXPECT_TRUE(all->getFirstDocument());
}

}  // namespace
}  // namespace vantor::test
