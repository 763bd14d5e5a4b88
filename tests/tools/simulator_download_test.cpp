// The device simulator's download mode (AT+WDWL and the XMODEM receive) and the
// files it keeps: the received images, the byte log, the stored configuration and
// the port link.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>

#include "simulator_harness.h"

namespace korvel::test {
namespace {

const std::string kOk = "\r\nOK\r\n";
const char kAck = 0x06;
const char kNak = 0x15;
const char kEot = 0x04;

// One checksum block: SOH, number, complement, 128 data bytes filled with 0x1A, sum.
std::string block(std::uint8_t number, const std::string& data) {
    std::string bytes = {0x01, static_cast<char>(number), static_cast<char>(255 - number)};
    std::string payload = data;
    payload.resize(128, 0x1A);
    std::uint8_t sum = 0;
    for (char c : payload) sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
    return bytes + payload + static_cast<char>(sum);
}

// Switches to download mode and waits for the module's first NAK.
void enterDownload(SimulatorLine& sim) {
    ASSERT_EQ(sim.command("AT+WDWL\r\n"), "\r\n+WDWL: 0\r\n");
    ASSERT_EQ(sim.receiveBytes(1, 1500), std::string(1, kNak));
}

TEST(SimulatorDownload, ThreeByteImageIsAcknowledgedAndStored) {
    SimulatorLine sim({"--no-echo", "--image-dir", "@"});
    ASSERT_TRUE(sim.started());
    enterDownload(sim);
    const std::string first = block(1, "abc");
    ASSERT_EQ(static_cast<std::uint8_t>(first.back()), 0xD8);
    sim.send(first);
    EXPECT_EQ(sim.receiveBytes(1, 1000), std::string(1, kAck));
    sim.send(std::string(1, kEot));
    EXPECT_EQ(sim.receiveBytes(1, 1000), std::string(1, kAck));

    std::string expected = "abc";
    expected.resize(128, 0x1A);
    EXPECT_EQ(readFile(sim.dir() + "/image-1.dwl"), expected);
    // Back in command mode.
    EXPECT_EQ(sim.command("AT\r\n"), kOk);
}

// --reply-latency-ms: a reply and each ACK come that much after their cause.
TEST(SimulatorDownload, ReplyLatencyHoldsBackRepliesAndAcknowledgements) {
    SimulatorLine sim({"--no-echo", "--reply-latency-ms", "300"});
    ASSERT_TRUE(sim.started());
    sim.send("AT+WDWL\r\n");
    EXPECT_EQ(sim.receiveBytes(12, 200), "");
    EXPECT_EQ(sim.receiveBytes(12, 1000), "\r\n+WDWL: 0\r\n");
    ASSERT_EQ(sim.receiveBytes(1, 1500), std::string(1, kNak));
    sim.send(block(1, "abc"));
    EXPECT_EQ(sim.receiveBytes(1, 200), "");
    EXPECT_EQ(sim.receiveBytes(1, 1000), std::string(1, kAck));
}

TEST(SimulatorDownload, DamagedRepeatedAndRefusedBlocks) {
    SimulatorLine sim({"--no-echo", "--image-dir", "@", "--nak-block", "2"});
    ASSERT_TRUE(sim.started());
    enterDownload(sim);
    std::string damaged = block(1, "first");
    damaged.back() = static_cast<char>(damaged.back() + 1);
    sim.send(damaged);
    EXPECT_EQ(sim.receiveBytes(1, 1000), std::string(1, kNak));
    sim.send(block(1, "first"));
    EXPECT_EQ(sim.receiveBytes(1, 1000), std::string(1, kAck));
    // A repeat of an acknowledged block (our ACK lost) is acknowledged, not stored twice.
    sim.send(block(1, "first"));
    EXPECT_EQ(sim.receiveBytes(1, 1000), std::string(1, kAck));
    // --nak-block 2: the second block is refused the first time only.
    sim.send(block(2, "second"));
    EXPECT_EQ(sim.receiveBytes(1, 1000), std::string(1, kNak));
    sim.send(block(2, "second"));
    EXPECT_EQ(sim.receiveBytes(1, 1000), std::string(1, kAck));
    sim.send(std::string(1, kEot));
    EXPECT_EQ(sim.receiveBytes(1, 1000), std::string(1, kAck));

    std::string expected = "first";
    expected.resize(128, 0x1A);
    std::string second = "second";
    second.resize(128, 0x1A);
    EXPECT_EQ(readFile(sim.dir() + "/image-1.dwl"), expected + second);
}

TEST(SimulatorDownload, BrokenOffTransferStillHearsTheRestart) {
    // The configurator stops after three refusals without EOT and restarts the module.
    SimulatorLine sim({"--no-echo", "--image-dir", "@", "--restart-ms", "200"});
    ASSERT_TRUE(sim.started());
    enterDownload(sim);
    sim.send(block(1, "abc"));
    ASSERT_EQ(sim.receiveBytes(1, 1000), std::string(1, kAck));
    sim.send("AT+CFUN=1\r\n");
    EXPECT_EQ(sim.receive(), "");
    usleep(300 * 1000);
    EXPECT_EQ(sim.command("AT\r\n"), kOk);
    EXPECT_FALSE(fileExists(sim.dir() + "/image-1.dwl"));
}

TEST(SimulatorFiles, LogRecordsEveryReceivedByte) {
    SimulatorLine sim({"--log", "@/log"});
    ASSERT_TRUE(sim.started());
    const std::string bytes = "AT\r\nAT+ZQPASS=\xCF\xE0\r\n";
    sim.command(bytes);
    EXPECT_EQ(readFile(sim.dir() + "/log"), bytes);
}

TEST(SimulatorFiles, StateFileKeepsSavedConfigurationAcrossRuns) {
    SimulatorLine first({"--no-echo", "--state", "@/state"});
    ASSERT_TRUE(first.started());
    ASSERT_EQ(first.command("AT+ZQCONFIG\r\n"), kOk);
    ASSERT_EQ(first.command("AT+ZQSERVER=2,1,0123456789,10.0.0.2,502,backup_1\r\n"), kOk);
    ASSERT_EQ(first.command("AT+ZQSAVE\r\n"), kOk);
    ASSERT_EQ(first.command("AT+ZQAPN=unsaved\r\n"), kOk);
    ASSERT_EQ(first.command("AT+ZQSNUM=87654321\r\n"), kOk);
    ASSERT_EQ(first.command("AT+ZQEXIT\r\n"), kOk);
    first.stop();  // its folder, with the state file, stays until `first` goes

    SimulatorLine second({"--no-echo", "--state", first.dir() + "/state"});
    ASSERT_TRUE(second.started());
    EXPECT_NE(second.command("AT+ZQSERVER?\r\n")
                  .find("\r\n+ZQSERVER: 2,1,0123456789,10.0.0.2,502,backup_1\r\n"),
              std::string::npos);
    EXPECT_EQ(second.command("AT+ZQAPN?\r\n"), "\r\n+ZQAPN: \r\n" + kOk);
    EXPECT_EQ(second.command("AT+ZQSNUM?\r\n"), "\r\n+ZQSNUM: 87654321\r\n" + kOk);
}

TEST(SimulatorFiles, LinkPointsToTheLineAndGoesAwayOnTermination) {
    SimulatorLine sim({"--link", "@/ttyKORVEL"});
    ASSERT_TRUE(sim.started());
    const std::string link = sim.dir() + "/ttyKORVEL";
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), sim.slavePath());
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_FALSE(fileExists(link));
}

}  // namespace
}  // namespace korvel::test
