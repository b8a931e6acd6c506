// Closing any descriptor of a file drops all the process's POSIX locks on it: a
// popup action opening the scan's mailbox anew would let writes under its reads.
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
    notes::ViewPtr all = openMailbox()->getView("($All)");
    ASSERT_TRUE(all->getFirstDocument());
    const QString index = mailboxPath() + QStringLiteral("-shm");
    ASSERT_TRUE(lockedForOthers(index));

    ASSERT_TRUE(openSession()->getDatabase(kServer, kMailbox)->isOpen());  // a popup action
    EXPECT_TRUE(lockedForOthers(index));
    EXPECT_TRUE(lockedForOthers(mailboxPath()));
    EXPECT_TRUE(all->getFirstDocument());
}

}  // namespace
}  // namespace vantor::test
