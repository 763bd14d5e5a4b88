// The device simulator's AT dialogue, checked against what the configurator relies on:
// echo and reply byte counts, configuration mode, the set commands and the query
// line layouts, refusals, the clock and the module restart.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "simulator_harness.h"

namespace korvel::test {
namespace {

const std::string kOk = "\r\nOK\r\n";
const std::string kError = "\r\nERROR\r\n";

// Sends a command to a device without echo and returns its answer.
std::string ask(SimulatorLine& sim, const std::string& line) {
    return sim.command(line + "\r\n");
}

TEST(SimulatorEcho, EchoTestByteCounts) {
    SimulatorLine echoing;
    ASSERT_TRUE(echoing.started());
    EXPECT_EQ(echoing.command("AT\r\n"), "AT\r\n" + kOk);  // exactly 10 bytes
    // The echo of a whole command line comes before its reply, "\r\n" included.
    EXPECT_EQ(echoing.command("AT+ZQCONFIG\r\n"), "AT+ZQCONFIG\r\n" + kOk);
    EXPECT_EQ(echoing.command("ATE0\r\n"), "ATE0\r\n" + kOk);
    EXPECT_EQ(echoing.command("AT\r\n"), kOk);
    // A lone "\r" ends a line as well.
    EXPECT_EQ(echoing.command("AT\r"), kOk);

    SimulatorLine quiet({"--no-echo"});
    ASSERT_TRUE(quiet.started());
    EXPECT_EQ(quiet.command("AT\r\n"), kOk);
    EXPECT_EQ(quiet.command("ATE1\r\n"), kOk);
    EXPECT_EQ(quiet.command("AT\r\n"), "AT\r\n" + kOk);
}

TEST(SimulatorEcho, SilentDeviceNeverAnswers) {
    SimulatorLine sim({"--silent"});
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(sim.command("AT\r\n"), "");
}

TEST(SimulatorConfigMode, SettingsOnlyInsideConfigurationMode) {
    SimulatorLine sim({"--no-echo"});
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(ask(sim, "AT+ZQPIN=1234"), kError);
    EXPECT_EQ(ask(sim, "AT+ZQTIME=10:00:00"), kError);
    EXPECT_EQ(ask(sim, "AT+ZQSAVE"), kError);
    EXPECT_EQ(ask(sim, "AT+ZQEXIT"), kOk);
    // Queries are answered in either mode.
    EXPECT_EQ(ask(sim, "AT+ZQPIN?"), "\r\n+ZQPIN:     \r\n" + kOk);
}

TEST(SimulatorConfigMode, SavedValuesComeBackInTheQueryLayouts) {
    SimulatorLine sim({"--no-echo"});
    ASSERT_TRUE(sim.started());
    ASSERT_EQ(ask(sim, "AT+ZQCONFIG"), kOk);
    const char* settings[] = {
        "AT+ZQPIN=12",
        "AT+ZQTEL=9161234567",
        "AT+ZQAPN=internet.mts.ru",
        "AT+ZQUSER=mts",
        "AT+ZQPASS=\xCF\xE0\xF0\xEE\xEB\xFC",  // Windows-1251 bytes stay bytes
        "AT+ZQSERVER=1,1,0123456789,10.0.0.1,502,main_server",
        "AT+ZQSERVER=3,1,          ,192.168.1.10,8080,a,b",
        "AT+ZQBALANCE=*100#,60,50,9167654321",
        "AT+ZQPORT=19200",
        "AT+ZQDEVICE=4,1,17",
        "AT+ZQDEVICE=32,2,255",
        "AT+ZQSMSPASS=1111",
        "AT+ZQERRSMS=2,1,9160000000",
        "AT+ZQGPRS2=30,2",
        "AT+ZQGPRS3=1,10.1.1.1,5000",
    };
    for (const char* line : settings) EXPECT_EQ(ask(sim, line), kOk) << line;
    ASSERT_EQ(ask(sim, "AT+ZQSAVE"), kOk);
    ASSERT_EQ(ask(sim, "AT+ZQEXIT"), kOk);

    EXPECT_EQ(ask(sim, "AT+ZQPIN?"), "\r\n+ZQPIN: 12  \r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQTEL?"), "\r\n+ZQTEL: 9161234567\r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQAPN?"), "\r\n+ZQAPN: internet.mts.ru\r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQPASS?"), "\r\n+ZQPASS: \xCF\xE0\xF0\xEE\xEB\xFC\r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQSERVER?"),
              "\r\n+ZQSERVER: 1,1,0123456789,10.0.0.1,502,main_server\r\n"
              "+ZQSERVER: 2,0,,,,\r\n"
              "+ZQSERVER: 3,1,          ,192.168.1.10,8080,a,b\r\n"
              "+ZQSERVER: 4,0,,,,\r\n"
              "+ZQSERVER: 5,0,,,,\r\n" +
                  kOk);
    EXPECT_EQ(ask(sim, "AT+ZQBALANCE?"), "\r\n+ZQBALANCE: *100#,60,50,9167654321\r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQPORT?"), "\r\n+ZQPORT: 19200\r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQSMSPASS?"), "\r\n+ZQSMSPASS: 1111\r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQERRSMS?"),
              "\r\n+ZQERRSMS: 1,0,\r\n+ZQERRSMS: 2,1,9160000000\r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQGPRS2?"), "\r\n+ZQGPRS2: 30,2\r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQGPRS3?"), "\r\n+ZQGPRS3: 1,10.1.1.1,5000\r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQSNUM?"), "\r\n+ZQSNUM: 00000000\r\n" + kOk);

    const std::string devices = ask(sim, "AT+ZQDEVICE?");
    EXPECT_LT(devices.size(), 1000u);
    EXPECT_NE(devices.find("\r\n+ZQDEVICE: 1,0,0\r\n+ZQDEVICE: 2,0,0\r\n"), std::string::npos);
    EXPECT_NE(devices.find("\r\n+ZQDEVICE: 4,1,17\r\n"), std::string::npos);
    EXPECT_NE(devices.find("\r\n+ZQDEVICE: 32,2,255\r\n\r\nOK\r\n"), std::string::npos);

    // Clearing rows and switching the GPRS variants off.
    ASSERT_EQ(ask(sim, "AT+ZQCONFIG"), kOk);
    EXPECT_EQ(ask(sim, "AT+ZQSERVER=1,0,,,,"), kOk);
    EXPECT_EQ(ask(sim, "AT+ZQERRSMS=2,0,"), kOk);
    EXPECT_EQ(ask(sim, "AT+ZQGPRS2=0"), kOk);
    EXPECT_EQ(ask(sim, "AT+ZQGPRS3=0"), kOk);
    EXPECT_EQ(ask(sim, "AT+ZQSERVER?").substr(0, 22), "\r\n+ZQSERVER: 1,0,,,,\r\n");
    EXPECT_EQ(ask(sim, "AT+ZQERRSMS?"), "\r\n+ZQERRSMS: 1,0,\r\n+ZQERRSMS: 2,0,\r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQGPRS2?"), "\r\n+ZQGPRS2: 0,2\r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQGPRS3?"), "\r\n+ZQGPRS3: 0\r\n" + kOk);
}

TEST(SimulatorConfigMode, ExitWithoutSaveDropsChangesButKeepsTheSerialNumber) {
    SimulatorLine sim({"--no-echo", "--serial", "12345678"});
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(ask(sim, "AT+ZQSNUM?"), "\r\n+ZQSNUM: 12345678\r\n" + kOk);
    ASSERT_EQ(ask(sim, "AT+ZQCONFIG"), kOk);
    ASSERT_EQ(ask(sim, "AT+ZQTEL=9161234567"), kOk);
    ASSERT_EQ(ask(sim, "AT+ZQSNUM=00012345"), kOk);
    EXPECT_EQ(ask(sim, "AT+ZQTEL?"), "\r\n+ZQTEL: 9161234567\r\n" + kOk);  // working copy
    ASSERT_EQ(ask(sim, "AT+ZQEXIT"), kOk);
    EXPECT_EQ(ask(sim, "AT+ZQTEL?"), "\r\n+ZQTEL:           \r\n" + kOk);
    // Production programs the number and leaves without AT+ZQSAVE: it must stick.
    EXPECT_EQ(ask(sim, "AT+ZQSNUM?"), "\r\n+ZQSNUM: 00012345\r\n" + kOk);
}

TEST(SimulatorConfigMode, MalformedCommandsAreRefusedAndChangeNothing) {
    SimulatorLine sim({"--no-echo"});
    ASSERT_TRUE(sim.started());
    ASSERT_EQ(ask(sim, "AT+ZQCONFIG"), kOk);
    const char* bad[] = {
        "AT+ZQSERVER=6,1,1,2,3,x",
        "AT+ZQSERVER=1,2,,,,",
        "AT+ZQSERVER=1,1,123",
        "AT+ZQDEVICE=33,1,1",
        "AT+ZQDEVICE=1,3,1",
        "AT+ZQDEVICE=1,1",
        "AT+ZQERRSMS=3,1,123",
        "AT+ZQGPRS2=abc,1",
        "AT+ZQGPRS2=30,6",
        "AT+ZQGPRS3=2",
        "AT+ZQGPRS3=1,10.0.0.1,",
        "AT+ZQPIN=12345",
        "AT+ZQTEL=12345678901",
        "AT+ZQSNUM=1234567",
        "AT+ZQSNUM=1234567a",
        "AT+ZQBALANCE=*100#,60,50",
        "AT+ZQTIME=25:00:00",
        "AT+ZQDATE=31.02.2026",
        "AT+ZQNOSUCH=1",
        "AT+ZQNOSUCH?",
        "AT+WOPEN=2",
        "AT+ZQAPN=a\x01z",
        "HELLO",
    };
    for (const char* line : bad) EXPECT_EQ(ask(sim, line), kError) << line;
    EXPECT_EQ(ask(sim, "AT+ZQPIN?"), "\r\n+ZQPIN:     \r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQSNUM?"), "\r\n+ZQSNUM: 00000000\r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQSERVER?").substr(0, 22), "\r\n+ZQSERVER: 1,0,,,,\r\n");
}

TEST(SimulatorRefusal, RefuseRuleHitsOnlyTheNamedOccurrence) {
    SimulatorLine sim({"--no-echo", "--refuse", "AT+ZQSERVER#2", "--refuse", "at+zqexit"});
    ASSERT_TRUE(sim.started());
    ASSERT_EQ(ask(sim, "AT+ZQCONFIG"), kOk);
    EXPECT_EQ(ask(sim, "AT+ZQSERVER=1,0,,,,"), kOk);
    EXPECT_EQ(ask(sim, "AT+ZQSERVER=2,1,0123456789,1.2.3.4,1,x"), kError);
    EXPECT_EQ(ask(sim, "AT+ZQSERVER=3,0,,,,"), kOk);
    EXPECT_EQ(ask(sim, "AT+ZQEXIT"), kError);
    EXPECT_EQ(ask(sim, "AT+ZQEXIT"), kError);
    // The refused row was not stored.
    EXPECT_EQ(ask(sim, "AT+ZQSERVER?").find("1.2.3.4"), std::string::npos);
}

TEST(SimulatorRefusal, ShortErrorHasTheLengthOfOkButFailsTheCheck) {
    SimulatorLine sim({"--short-error", "--refuse", "AT+ZQCONFIG"});
    ASSERT_TRUE(sim.started());
    const std::string reply = sim.command("AT+ZQCONFIG\r\n").substr(13);
    ASSERT_EQ(reply.size(), 6u);
    EXPECT_NE(reply.substr(0, 3), kOk.substr(0, 3));
}

TEST(SimulatorRefusal, SlowDeviceEchoesAtOnceAndRepliesLater) {
    SimulatorLine sim({"--slow", "400"});
    ASSERT_TRUE(sim.started());
    sim.send("AT\r\n");
    EXPECT_EQ(sim.receiveBytes(4, 200), "AT\r\n");
    EXPECT_EQ(sim.receiveBytes(6, 150), "");
    EXPECT_EQ(sim.receiveBytes(6, 1000), kOk);
}

TEST(SimulatorClock, ClockRunsOnFromTheMomentItWasSet) {
    SimulatorLine sim({"--no-echo"});
    ASSERT_TRUE(sim.started());
    ASSERT_EQ(ask(sim, "AT+ZQCONFIG"), kOk);
    ASSERT_EQ(ask(sim, "AT+ZQTIME=23:59:59"), kOk);
    ASSERT_EQ(ask(sim, "AT+ZQDATE=31.12.2026"), kOk);
    ASSERT_EQ(ask(sim, "AT+ZQEXIT"), kOk);  // the clock is not part of the saved settings
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_EQ(ask(sim, "AT+ZQTIME?"), "\r\n+ZQTIME: 00:00:00\r\n" + kOk);
    EXPECT_EQ(ask(sim, "AT+ZQDATE?"), "\r\n+ZQDATE: 01.01.2027\r\n" + kOk);

    // A date set in another layout comes back in that layout.
    ASSERT_EQ(ask(sim, "AT+ZQCONFIG"), kOk);
    ASSERT_EQ(ask(sim, "AT+ZQDATE=2026-02-28"), kOk);
    EXPECT_EQ(ask(sim, "AT+ZQDATE?"), "\r\n+ZQDATE: 2026-02-28\r\n" + kOk);
}

TEST(SimulatorRestart, RestartIsSilentThenDropsConfigurationMode) {
    SimulatorLine sim({"--restart-ms", "400"});
    ASSERT_TRUE(sim.started());
    ASSERT_EQ(sim.command("AT+ZQCONFIG\r\n"), "AT+ZQCONFIG\r\n" + kOk);
    ASSERT_EQ(sim.command("AT+ZQPIN=1234\r\n"), "AT+ZQPIN=1234\r\n" + kOk);
    EXPECT_EQ(sim.command("AT+CFUN=1\r\n"), "AT+CFUN=1\r\n");  // echoed, no reply
    EXPECT_EQ(sim.command("AT\r\n"), "");                      // still booting
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(sim.command("AT\r\n"), "AT\r\n" + kOk);
    EXPECT_EQ(sim.command("AT+ZQPIN=1234\r\n"), "AT+ZQPIN=1234\r\n" + kError);
    EXPECT_EQ(sim.command("AT+ZQPIN?\r\n"), "AT+ZQPIN?\r\n\r\n+ZQPIN:     \r\n" + kOk);
}

TEST(SimulatorModule, IdentificationVersionAndApplicationCommands) {
    SimulatorLine sim({"--no-echo", "--app-version", "2.1.07"});
    ASSERT_TRUE(sim.started());
    const std::string cgmr = ask(sim, "AT+CGMR");
    // First line starts with R, four dot-ended fields, then the module type and a blank.
    ASSERT_EQ(cgmr.substr(0, 3), "\r\nR");
    const std::string first = cgmr.substr(2, cgmr.find("\r\n", 2) - 2);
    EXPECT_GE(std::count(first.begin(), first.end(), '.'), 4);
    EXPECT_NE(first.find(' '), std::string::npos);
    EXPECT_EQ(cgmr.substr(cgmr.size() - 6), kOk);

    const std::string version = ask(sim, "AT+ZQVER?");
    EXPECT_LE(version.size(), 28u);
    EXPECT_EQ(version.substr(version.find(':') + 2, 6), "2.1.07");

    for (const char* line : {"AT+WOPEN=0", "AT+WOPEN=3", "AT+WOPEN=4", "AT+WOPEN=1"}) {
        EXPECT_EQ(ask(sim, line), kOk) << line;
    }
    EXPECT_EQ(ask(sim, "AT+WOPEN?"), "\r\n+WOPEN: 1\r\n" + kOk);
}

}  // namespace
}  // namespace korvel::test
