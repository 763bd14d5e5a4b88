// The Windows serial port's read rules through the real Windows calls, under
// Wine, against the device simulator behind the COM port named by
// KORVEL_TEST_COM_TIMING (scripts/windows-build.sh maps it).  Skipped
// without one.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>

#include "device_link/serial/read_deadline.h"
#include "device_link/serial/serial_port.h"

namespace korvel {
namespace {

using Ms = std::chrono::milliseconds;

class Win32PortOnCom : public ::testing::Test {
protected:
    void SetUp() override {
        const char* name = std::getenv("KORVEL_TEST_COM_TIMING");
        if (name == nullptr || *name == '\0') GTEST_SKIP() << "no COM port with a device simulator behind it";
        port = makeSystemSerialPortFactory()->create();
        ASSERT_TRUE(port->open(devicePathForPortName(name)));
        LineSettings line;
        ASSERT_TRUE(port->readSettings(line));
        line.baudRate = 115200;
        line.byteSize = 8;
        line.parity = 0;
        line.stopBits = 0;
        ASSERT_TRUE(port->applySettings(line));
        port->setDtr(true);  // Wine refuses this on a pseudo-terminal; the dialogue goes on
        port->purge();
    }
    void TearDown() override {
        if (port) port->close();
    }
    // Reads up to 100 bytes under `t`; returns what came and how long it took.
    std::pair<std::string, long long> timedRead(const Timeouts& t) {
        EXPECT_TRUE(port->setTimeouts(t));
        char buffer[100];
        const auto start = std::chrono::steady_clock::now();
        const std::size_t got = port->read(buffer, sizeof buffer);
        const auto took = std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - start);
        return {std::string(buffer, got), took.count()};
    }
    void send(const std::string& text) { ASSERT_EQ(port->write(text.data(), text.size()), text.size()); }

    std::unique_ptr<SerialPort> port;
};

TEST_F(Win32PortOnCom, ReplyEndsOnTheIntervalNotOnTheFirstByteBound) {
    Timeouts t;
    t.readInterval = 100;  // total 0: the first byte is awaited within the bound
    t.writeConstant = 1000;
    send("AT\r\n");
    const auto [reply, took] = timedRead(t);
    EXPECT_EQ(reply, "AT\r\n\r\nOK\r\n");
    EXPECT_LT(took, 1000) << "the read waited for more than the reply's gap";
}

TEST_F(Win32PortOnCom, SilenceEndsOnTheFirstByteBoundOrTheTotal) {
    Timeouts t;
    t.readInterval = 100;
    auto [nothing, took] = timedRead(t);
    EXPECT_TRUE(nothing.empty());
    EXPECT_GE(took, kFirstByteBoundMs - 50);
    EXPECT_LT(took, kFirstByteBoundMs + 1500);

    t.readInterval = 0;
    t.readConstant = 300;
    std::tie(nothing, took) = timedRead(t);
    EXPECT_TRUE(nothing.empty());
    EXPECT_GE(took, 250);
    EXPECT_LT(took, 1500);
}

TEST_F(Win32PortOnCom, ImmediateReadTakesOnlyWhatIsThere) {
    Timeouts t;
    t.readInterval = kMaxTimeout;
    const auto [nothing, took] = timedRead(t);
    EXPECT_TRUE(nothing.empty());
    EXPECT_LT(took, 200);
}

// With a wait hook (the window's) the read is cut into slices and the hook
// served between them; the reply and the silence still end where the rules
// say.  The command goes out before any time-outs are set, as after refused
// port settings: the write is bounded and arrives whole.
TEST_F(Win32PortOnCom, WaitHookIsServedWithoutChangingTheReadRules) {
    int served = 0;
    port->setWaitHook([&] { ++served; });
    send("AT\r\n");
    Timeouts t;
    t.readInterval = 100;
    t.writeConstant = 1000;
    auto [reply, took] = timedRead(t);
    EXPECT_EQ(reply, "AT\r\n\r\nOK\r\n");
    EXPECT_LT(took, 1000);

    served = 0;
    t.readInterval = 0;
    t.readConstant = 600;
    std::tie(reply, took) = timedRead(t);
    EXPECT_TRUE(reply.empty());
    EXPECT_GE(took, 550);
    EXPECT_LT(took, 2000);
    EXPECT_GE(served, 5);
}

}  // namespace
}  // namespace korvel
