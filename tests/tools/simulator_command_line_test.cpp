// The simulator's own command line: --version and --help answer and exit at
// once, without opening a pseudo-terminal; a bad option is an error.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "simulator_harness.h"

namespace korvel::test {
namespace {

struct ProgramRun {
    std::string out;
    int status = -1;
};

ProgramRun runSimulator(const std::string& arguments) {
    ProgramRun run;
    const std::string command =
        std::string("'") + KORVEL_SIMULATOR_PATH + "' " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[512];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(SimulatorCommandLine, VersionAndHelpAnswerAndExit) {
    const ProgramRun version = runSimulator("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "korvel-simulator " KORVEL_VERSION "\n");

    const ProgramRun help = runSimulator("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: korvel_simulator", 0), 0u);
    // The application version the device reports has its own option now.
    EXPECT_NE(help.out.find("--app-version TEXT"), std::string::npos);
    EXPECT_NE(help.out.find("--garbage"), std::string::npos);

    // --version takes no value any more: a value after it is a bad option.
    EXPECT_EQ(runSimulator("--version 1.2.3").status, 2);
    EXPECT_EQ(runSimulator("--garbage sometimes").status, 2);
}

// The line faults the fault matrix plays: each spoils the replies only, the
// echo stays as it was.
TEST(SimulatorLineFaults, GarbageCutRepliesAndVanishing) {
    SimulatorLine nul({"--no-echo", "--garbage", "nul"});
    ASSERT_TRUE(nul.started());
    EXPECT_EQ(nul.command("AT\r\n"), std::string(6, '\0'));

    SimulatorLine noise({"--no-echo", "--garbage", "random"});
    ASSERT_TRUE(noise.started());
    for (int i = 0; i < 5; ++i) {
        const std::string reply = noise.command("AT\r\n");
        ASSERT_FALSE(reply.empty());
        EXPECT_LE(reply.size(), 32u);
        EXPECT_NE(reply[0], '\r');
    }

    SimulatorLine flood({"--no-echo", "--garbage", "flood"});
    ASSERT_TRUE(flood.started());
    flood.send("AT\r\n");
    EXPECT_EQ(flood.receiveBytes(5000, 3000).size(), 5000u);

    SimulatorLine cut({"--cut-replies", "3"});
    ASSERT_TRUE(cut.started());
    EXPECT_EQ(cut.command("AT\r\n"), "AT\r\n\r\nO");  // the echo is whole

    SimulatorLine vanishing({"--no-echo", "--vanish-after-lines", "1"});
    ASSERT_TRUE(vanishing.started());
    EXPECT_EQ(vanishing.command("AT\r\n"), "\r\nOK\r\n");
    vanishing.send("AT\r\n");
    EXPECT_EQ(vanishing.receive(), "");
    EXPECT_EQ(vanishing.stop(), 0);  // it had already left by itself
}

}  // namespace
}  // namespace korvel::test
