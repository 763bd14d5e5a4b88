// The POSIX port against a real pseudo-terminal: the test holds the master
// side and plays the device on it from a thread with timed writes.
#include "device_link/serial/posix_serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "device_link/serial/read_deadline.h"

namespace korvel {
namespace {

using Steady = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct PeerStep {
    int atMs;             // from the start of play()
    std::string bytes;    // written to the master
    bool hangUp = false;  // then the master is closed
};

class Pty {
public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        char name[128] = {};
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0 &&
            ptsname_r(master_, name, sizeof name) == 0)
            path_ = name;
    }
    ~Pty() {
        waitPeer();
        if (master_ >= 0) ::close(master_);
    }
    bool ok() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    void write(const std::string& b) {
        ASSERT_EQ(::write(master_, b.data(), b.size()), ssize_t(b.size()));
    }
    void play(std::vector<PeerStep> steps) {
        peer_ = std::thread([this, steps = std::move(steps)] {
            const Steady::time_point start = Steady::now();
            for (const PeerStep& s : steps) {
                std::this_thread::sleep_until(start + milliseconds(s.atMs));
                if (!s.bytes.empty()) (void)!::write(master_, s.bytes.data(), s.bytes.size());
                if (s.hangUp) ::close(std::exchange(master_, -1));
            }
        });
    }
    void waitPeer() {
        if (peer_.joinable()) peer_.join();
    }
    // Everything that reaches the master until it has been quiet for 100 ms.
    std::string drain() {
        std::string out;
        char buf[65536];
        pollfd p{master_, POLLIN, 0};
        while (poll(&p, 1, 100) > 0 && (p.revents & POLLIN)) {
            const ssize_t r = ::read(master_, buf, sizeof buf);
            if (r <= 0) break;
            out.append(buf, std::size_t(r));
        }
        return out;
    }

private:
    int master_ = -1;
    std::string path_;
    std::thread peer_;
};

long long msSince(Steady::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Steady::now() - start).count();
}

// A port set up the way a port connection does it.
class PosixPortOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(port.open(pty.path()));
        LineSettings s;
        ASSERT_TRUE(port.readSettings(s));
        applyCommunicatorLineSettings(s);
        ASSERT_TRUE(port.applySettings(s));
        // A pseudo-terminal has no modem lines; that must not fail.
        EXPECT_TRUE(port.setQueues(kDriverQueueSize, kDriverQueueSize));
        EXPECT_TRUE(port.setDtr(true));
    }

    std::string timedRead(std::size_t n, const Timeouts& t, long long& elapsedMs) {
        EXPECT_TRUE(port.setTimeouts(t));
        std::string buf(n, '\0');
        const Steady::time_point start = Steady::now();
        buf.resize(port.read(buf.data(), n));
        elapsedMs = msSince(start);
        return buf;
    }

    Pty pty;  // declared first: outlives the port
    PosixSerialPort port;
};

TEST_F(PosixPortOnPty, ReadReturnsAsSoonAsAllRequestedBytesCame) {
    pty.play({{50, "\r\nOK\r\nMORE"}});
    long long ms = 0;
    EXPECT_EQ(timedRead(6, Timeouts{500, 0, 0}, ms), "\r\nOK\r\n");
    EXPECT_LT(ms, 400);  // neither the interval nor any bound was waited out
    EXPECT_EQ(timedRead(4, Timeouts{500, 0, 0}, ms), "MORE");
}

TEST_F(PosixPortOnPty, IntervalCountsFromTheLastByte) {
    pty.play({{20, "AB"}, {150, "CD"}, {700, "EF"}});
    long long ms = 0;
    // The 130 ms gap keeps the read going; the long one ends it 300 ms
    // after "CD", and "EF" is left for the next read.
    EXPECT_EQ(timedRead(10, Timeouts{300, 0, 0}, ms), "ABCD");
    // The peer's clock starts a little before the read's on a loaded
    // machine; counted from "AB" the read would end near 320 ms.
    EXPECT_GE(ms, 400);
    EXPECT_LT(ms, 680);
    EXPECT_EQ(timedRead(10, Timeouts{300, 0, 0}, ms), "EF");
}

TEST_F(PosixPortOnPty, TotalTimeOutEndsReadEvenWhileBytesKeepComing) {
    std::vector<PeerStep> trickle;
    for (int at = 0; at <= 500; at += 100) trickle.push_back({at, "x"});
    pty.play(trickle);
    long long ms = 0;
    const std::string got = timedRead(100, Timeouts{500, 0, 300}, ms);
    EXPECT_GE(ms, 300);
    EXPECT_LT(ms, 600);
    EXPECT_GE(got.size(), 2u);
    EXPECT_LE(got.size(), 5u);
}

TEST_F(PosixPortOnPty, SilentDeviceEndsReadAtTotalOrFirstByteBound) {
    long long ms = 0;
    EXPECT_EQ(timedRead(4, Timeouts{0, 50, 0}, ms), "");  // 4 * 50 ms
    EXPECT_GE(ms, 200);
    EXPECT_LT(ms, 500);
    EXPECT_EQ(timedRead(6, Timeouts{500, 0, 0}, ms), "");
    EXPECT_GE(ms, static_cast<long long>(kFirstByteBoundMs) - 20);
    EXPECT_LT(ms, 3000);
}

TEST_F(PosixPortOnPty, PurgeDropsInputButNotBytesAlreadySent) {
    pty.write("junk");
    std::this_thread::sleep_for(milliseconds(50));
    long long ms = 0;
    // Interval MAXDWORD: what is there, at once.
    EXPECT_EQ(timedRead(2, Timeouts{kMaxTimeout, 0, 0}, ms), "ju");
    EXPECT_LT(ms, 100);
    ASSERT_EQ(port.write("AT+CFUN=1\r\n", 11), 11u);
    EXPECT_TRUE(port.purge());
    EXPECT_EQ(timedRead(10, Timeouts{kMaxTimeout, 0, 0}, ms), "");
    EXPECT_EQ(pty.drain(), "AT+CFUN=1\r\n");
}

TEST_F(PosixPortOnPty, DeviceHangingUpEndsReadAtOnceWithBytesSoFar) {
    pty.play({{20, "AB"}, {120, "", true}});
    long long ms = 0;
    EXPECT_EQ(timedRead(10, Timeouts{0, 0, 5000}, ms), "AB");
    EXPECT_LT(ms, 1000);
    pty.waitPeer();
    EXPECT_EQ(timedRead(10, Timeouts{500, 0, 0}, ms), "");
    EXPECT_LT(ms, 200);
    EXPECT_EQ(port.write("AT\r\n", 4), 0u);
}

TEST_F(PosixPortOnPty, LineIsRawAndEchoFree) {
    const std::string fromDevice("\r\n\x03\x1a\x7f\x00\xff\n\r\x11\x13", 11);
    pty.write(fromDevice);
    long long ms = 0;
    EXPECT_EQ(timedRead(fromDevice.size(), Timeouts{100, 0, 500}, ms), fromDevice);
    const std::string toDevice("AT\r\n\x03\n", 6);
    EXPECT_EQ(port.write(toDevice.data(), toDevice.size()), toDevice.size());
    EXPECT_EQ(pty.drain(), toDevice);  // no echo of the device's bytes, no "\r\r\n"
}

TEST_F(PosixPortOnPty, SettingsReadBackAndKeepOtherFields) {
    LineSettings s;
    ASSERT_TRUE(port.readSettings(s));
    ASSERT_EQ(s.native.size(), sizeof(termios));
    EXPECT_EQ(s.baudRate, 115200u);
    EXPECT_EQ(s.byteSize, 8);
    EXPECT_TRUE(s.outxCtsFlow);
    EXPECT_EQ(s.rtsControl, kRtsControlHandshake);
    termios tio{};
    std::memcpy(&tio, s.native.data(), sizeof tio);
    tio.c_cc[VSTART] = 0x21;
    std::memcpy(s.native.data(), &tio, sizeof tio);
    s.baudRate = 9600;
    ASSERT_TRUE(port.applySettings(s));
    ASSERT_TRUE(port.readSettings(s));
    std::memcpy(&tio, s.native.data(), sizeof tio);
    EXPECT_EQ(tio.c_cc[VSTART], 0x21);
    EXPECT_EQ(s.baudRate, 9600u);
    s.baudRate = 12345;
    EXPECT_FALSE(port.applySettings(s));
}

// A write that the device does not take ends at its time-out; one whose
// connection never set time-outs (the port refused its settings) ends at
// kWriteBoundMs instead of waiting for ever.  A wait hook is served all along.
TEST_F(PosixPortOnPty, WriteEndsAtItsTimeOutAndCountsOnlyWhatWentOut) {
    const std::string big(8 << 20, 'x');  // far more than the line holds unread
    for (const bool timeoutsSet : {false, true}) {
        SCOPED_TRACE(timeoutsSet ? "write constant 150 ms" : "time-outs never set");
        const long long bound = timeoutsSet ? 150 : kWriteBoundMs;
        if (timeoutsSet) {
            Timeouts t;
            t.writeConstant = 150;
            ASSERT_TRUE(port.setTimeouts(t));
        }
        int served = 0;
        port.setWaitHook([&] { ++served; });
        const Steady::time_point start = Steady::now();
        const std::size_t taken = port.write(big.data(), big.size());
        const long long ms = msSince(start);
        EXPECT_GE(ms, bound);
        EXPECT_LT(ms, bound + 650);
        EXPECT_GE(served, bound / kWaitSliceMs - 2);
        EXPECT_GT(taken, 0u);
        EXPECT_LT(taken, big.size());
        EXPECT_EQ(pty.drain().size(), taken);
    }
}

TEST(PosixPortOpen, OnlyOneHolderAndNoExclusiveModeLeftBehind) {
    Pty pty;
    ASSERT_TRUE(pty.ok());
    // Someone else keeps the terminal open, as a device simulator does.
    const int other = ::open(pty.path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    std::unique_ptr<SerialPort> first = makeSystemSerialPortFactory()->create();
    PosixSerialPort second;
    ASSERT_TRUE(first->open(pty.path()));
    EXPECT_FALSE(second.open(pty.path()));
    first->close();
    first->close();  // harmless twice
#ifdef TIOCGEXCL
    int exclusive = 1;
    ASSERT_EQ(ioctl(other, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);  // else the next opening by a non-root user fails
#endif
    EXPECT_TRUE(second.open(pty.path()));
    // A pseudo-terminal has no driver latency to lower: the request is
    // skipped, so closing has nothing to take back.
    EXPECT_FALSE(second.lowLatencySet());
    second.close();
    EXPECT_TRUE(second.open(pty.path()));
    ::close(other);
}

TEST(PosixPortOpen, RefusesWhatIsNotATerminal) {
    PosixSerialPort port;
    EXPECT_FALSE(port.open("/dev/korvel-no-such-port"));
    EXPECT_FALSE(port.open("/dev/null"));
    LineSettings s;
    char buf[4];
    EXPECT_FALSE(port.readSettings(s));
    EXPECT_EQ(port.read(buf, sizeof buf), 0u);
}

}  // namespace
}  // namespace korvel
