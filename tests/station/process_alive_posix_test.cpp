// A lease's holder on this machine: a process that has ended is gone, also
// while its parent has not yet waited for it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "station/process_alive.h"

namespace korvel::store {
namespace {

TEST(ProcessAlive, EndedProcessIsGoneBeforeAndAfterItsParentWaits) {
    EXPECT_TRUE(processRunning(getpid()));
    const pid_t child = fork();
    if (child == 0) _exit(0);
    ASSERT_GT(child, 0);
    siginfo_t info{};
    ASSERT_EQ(waitid(P_PID, id_t(child), &info, WEXITED | WNOWAIT), 0);  // ended, not yet waited for
    EXPECT_FALSE(processRunning(child));
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    EXPECT_FALSE(processRunning(child));
}

}  // namespace
}  // namespace korvel::store
