// The firmware folder check against other processes: two processes checking
// one file at once both find it, and a file another process holds with an
// exclusive lock counts as missing.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <atomic>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

#include "file_bytes.h"
#include "production/firmware_files.h"

namespace korvel {
namespace {

QString imageFile(const QTemporaryDir& dir) {
    const QString path = dir.filePath("firmware_Q2687RD.dwl");
    test::writeFileBytes(path, QByteArray(9000, 'f'));
    return path;
}

// Runs `rounds` checks in this process and in a child at the same moments
// (both meet before each check); the number of checks that failed, in both.
int checksFailedInTwoProcesses(const QString& path, int rounds) {
    void* shared = ::mmap(nullptr, sizeof(std::atomic<int>) * 2, PROT_READ | PROT_WRITE,
                          MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) return -1;
    auto* arrivals = new (shared) std::atomic<int>(0);
    auto* failed = new (arrivals + 1) std::atomic<int>(0);
    auto check = [&] {
        for (int round = 0; round < rounds; ++round) {
            arrivals->fetch_add(1);
            while (arrivals->load() < 2 * (round + 1)) std::this_thread::yield();
            if (!systemFileProbe().canOpen(path)) failed->fetch_add(1);
        }
    };
    const pid_t child = ::fork();
    if (child == 0) {
        check();
        ::_exit(0);
    }
    if (child < 0) return -1;
    check();
    int status = 0;
    ::waitpid(child, &status, 0);
    const int result = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? failed->load() : -1;
    ::munmap(shared, sizeof(std::atomic<int>) * 2);
    return result;
}

TEST(SystemFileProbe, TwoProcessesCheckingOneFileAtOnceBothFindIt) {
    QTemporaryDir dir;
    EXPECT_EQ(checksFailedInTwoProcesses(imageFile(dir), 1000), 0);
}

// Another process holding the file: one writing it (an exclusive lock)
// makes it missing until it lets go; one reading it (a shared lock) does not.
TEST(SystemFileProbe, FileAnotherProcessHoldsIsMissingOnlyWhileItWritesIt) {
    QTemporaryDir dir;
    const QString path = imageFile(dir);
    for (const int lock : {LOCK_EX, LOCK_SH}) {
        int locked[2], release[2];
        ASSERT_EQ(::pipe(locked), 0);
        ASSERT_EQ(::pipe(release), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const int fd = ::open(path.toLocal8Bit().constData(), lock == LOCK_EX ? O_RDWR : O_RDONLY);
            const char ok = fd >= 0 && ::flock(fd, lock) == 0 ? '1' : '0';
            (void)!::write(locked[1], &ok, 1);
            char go = 0;
            (void)!::read(release[0], &go, 1);
            ::_exit(0);
        }
        char ok = 0;
        ASSERT_EQ(::read(locked[0], &ok, 1), 1);
        EXPECT_EQ(ok, '1');
        EXPECT_EQ(systemFileProbe().canOpen(path), lock == LOCK_SH) << (lock == LOCK_EX ? "writer" : "reader");
        (void)!::write(release[1], "x", 1);
        int status = 0;
        ::waitpid(child, &status, 0);
        // Once the holder has finished, the file is there.
        EXPECT_TRUE(systemFileProbe().canOpen(path));
        for (int fd : {locked[0], locked[1], release[0], release[1]}) ::close(fd);
    }
}

}  // namespace
}  // namespace korvel
