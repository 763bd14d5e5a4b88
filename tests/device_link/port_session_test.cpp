// The port connection and the controller reset against the scripted port.
#include <gtest/gtest.h>

#include "device_link/controller_reset.h"
#include "device_link/port_session.h"
#include "recording_host.h"
#include "device_link/serial/scripted_serial_port.h"

namespace korvel {
namespace {

using test::FakeClock;
using test::RecordingHost;
using Op = ScriptedSerialPort::Op;

struct ResetFixture : ::testing::Test {
    RecordingHost host;
    ScriptedPortFactory ports;
    FakeClock clock;
    OperationContext ctx{host, ports, clock};
    ScriptedSerialPort& port() { return ports.port(); }
    void expectClosedAndFree() {
        EXPECT_FALSE(port().isOpen());
        EXPECT_FALSE(port().dtr());
        EXPECT_FALSE(host.portBusy);
    }
};

TEST_F(ResetFixture, SendsRestartPausesPurgesAndCloses) {
    resetController(ctx);
    EXPECT_EQ(port().lastPath(), devicePathForPortName("COM3"));
    EXPECT_EQ(port().written(), "AT+CFUN=1\r\n");
    EXPECT_EQ(port().ops(), (std::vector<Op>{Op::Open, Op::ReadSettings, Op::ApplySettings,
                                             Op::SetTimeouts, Op::SetQueues, Op::SetDtr, Op::Write,
                                             Op::Purge, Op::SetDtr, Op::Close}));
    EXPECT_EQ(clock.sleeps, std::vector<std::uint32_t>{500});
    const auto& calls = port().calls();
    EXPECT_EQ(calls[3].timeouts, (Timeouts{500, 0, 0, 0, 1000}));
    EXPECT_EQ(calls[4].size, 1024u);
    EXPECT_TRUE(calls[5].flag);
    // The line: 115200 8N1, CTS output flow, RTS handshake, DTR by hand; the
    // platform's own record is kept as read.
    const LineSettings& s = calls[2].settings;
    EXPECT_EQ(s.baudRate, 115200u);
    EXPECT_EQ(s.byteSize, 8);
    EXPECT_EQ(s.parity, 0);
    EXPECT_EQ(s.stopBits, 0);
    EXPECT_TRUE(s.outxCtsFlow);
    EXPECT_FALSE(s.outxDsrFlow);
    EXPECT_EQ(s.dtrControl, 0);
    EXPECT_FALSE(s.dsrSensitivity);
    EXPECT_EQ(s.rtsControl, 2);
    EXPECT_EQ(s.native, std::vector<unsigned char>{0x5a});
    EXPECT_EQ(host.uses(), (QStringList{"1", "0"}));
    EXPECT_TRUE(host.boxes().isEmpty());
    expectClosedAndFree();
}

TEST_F(ResetFixture, NoPortChosenShowsOnlyTheMessage) {
    host.port.clear();
    resetController(ctx);
    EXPECT_EQ(host.events, (QStringList{"box:Ok:Не выбран COM-порт к которому подключен контроллер!",
                                        "focus:COMPort"}));
    EXPECT_EQ(ports.created(), 0);
}

TEST_F(ResetFixture, UnusablePortNamesThePort) {
    port().failOpen();
    resetController(ctx);
    EXPECT_EQ(host.events, (QStringList{"box:Abort:Использование порта COM3 невозможно!",
                                        "focus:COMPort"}));
    expectClosedAndFree();
}

// The box keeps its first line and adds the reason the port gave: its own
// text for a known kind, the system's text for any other.  The outcome keeps
// the system's text in every case.
TEST_F(ResetFixture, UnusablePortSaysWhy) {
    const struct {
        OpenFailure reason;
        const char* system;   // the system's text of the failure
        const char* mustSay;  // empty: no second line
    } cases[] = {
        {OpenFailure::Absent, "No such file or directory", "Порт не найден"},
        {OpenFailure::Busy, "", "занят другой программой"},
        {OpenFailure::PermissionDenied, "", "dialout"},
        {OpenFailure::NotSerial, "", "не последовательный порт"},
        {OpenFailure::Other, "", ""},
        {OpenFailure::Other, "Input/output error", "Input/output error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mustSay);
        RecordingHost h;
        ScriptedPortFactory p;
        OperationContext context{h, p, clock};
        p.port().failOpen(c.reason, c.system);
        const Outcome o = resetController(context);
        EXPECT_EQ(o.openFailure, c.reason);
        EXPECT_EQ(o.systemMessage, QString::fromUtf8(c.system));
        ASSERT_EQ(h.boxes().size(), 1);
        const QStringList lines = h.boxes()[0].split(QLatin1Char('\n'));
        EXPECT_EQ(lines[0], QStringLiteral("Abort:Использование порта COM3 невозможно!"));
        if (*c.mustSay) {
            ASSERT_EQ(lines.size(), 2);
            EXPECT_TRUE(lines[1].contains(QString::fromUtf8(c.mustSay))) << lines[1].toStdString();
            if (c.reason != OpenFailure::Other && *c.system) {
                EXPECT_FALSE(lines[1].contains(QString::fromUtf8(c.system)));
            }
        } else {
            EXPECT_EQ(lines.size(), 1);
        }
    }
}

TEST_F(ResetFixture, UnreadableSettingsCloseThePort) {
    port().failReadSettings();
    resetController(ctx);
    EXPECT_EQ(host.boxes(), QStringList{"Abort:Использование порта COM3 невозможно!"});
    EXPECT_EQ(port().ops().back(), Op::Close);
    EXPECT_TRUE(host.uses().isEmpty());
    expectClosedAndFree();
}

TEST_F(ResetFixture, RefusedSettingsSkipTheDialogueSilently) {
    port().failApplySettings();
    resetController(ctx);
    EXPECT_TRUE(port().written().empty());
    EXPECT_TRUE(host.boxes().isEmpty());
    EXPECT_EQ(port().count(Op::SetTimeouts), 0u);
    EXPECT_EQ(port().ops(), (std::vector<Op>{Op::Open, Op::ReadSettings, Op::ApplySettings,
                                             Op::SetDtr, Op::Close}));
    expectClosedAndFree();

    ScriptedPortFactory other;
    OperationContext ctx2{host, other, clock};
    other.port().failSetTimeouts();
    resetController(ctx2);
    EXPECT_TRUE(other.port().written().empty());
    EXPECT_FALSE(other.port().dtr());
}

TEST_F(ResetFixture, SessionClosesAndUnlocksWhenTheDialogueThrows) {
    EXPECT_THROW(
        {
            PortSession session(ctx);
            ASSERT_TRUE(session.open());
            session.markInUse();
            session.configure(Timeouts{500, 0, 0, 0, 500});
            throw std::runtime_error("boom");
        },
        std::runtime_error);
    expectClosedAndFree();
}

TEST_F(ResetFixture, ProductionVariantGoesOnAfterRefusedSettings) {
    port().failApplySettings();
    PortSession session(ctx);
    ASSERT_TRUE(session.open(false));
    EXPECT_FALSE(session.configure(Timeouts{500, 0, 1000, 0, 1000}, false));
    EXPECT_EQ(port().count(Op::ReadSettings), 0u);
    EXPECT_TRUE(port().dtr());
    session.close();
    expectClosedAndFree();
}

// A busy port names its holders; ModemManager among them gets the way to
// keep it off this one adapter.
TEST(BusyPortText, NamesHoldersAndHowToKeepModemManagerOff) {
    EXPECT_EQ(openFailureText(OpenFailure::Busy, {{4242, "minicom"}}, QStringLiteral("ttyUSB0")),
              QStringLiteral("Порт занят другой программой: minicom (PID 4242)."));
    const QString mm = openFailureText(OpenFailure::Busy, {{812, "ModemManager"}, {4242, "minicom"}},
                                       QStringLiteral("ttyUSB0"));
    const QStringList lines = mm.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Порт занят другой программой: ModemManager (PID 812), minicom (PID 4242)."));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("ENV{ID_MM_DEVICE_IGNORE}=\"1\"")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("sudo korvel-mm-ignore ttyUSB0")));
}

TEST(DevicePath, WindowsAndPosixNames) {
    EXPECT_EQ(windowsDevicePath("COM3"), "\\\\.\\COM3");
    EXPECT_EQ(windowsDevicePath("COM12"), "\\\\.\\COM12");
    EXPECT_EQ(windowsDevicePath("COM"), "");
    EXPECT_EQ(windowsDevicePath("COM1234567"), "\\\\.\\COM1234567");
    EXPECT_EQ(windowsDevicePath("COM12345678"), "");
    EXPECT_EQ(posixDevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(posixDevicePath("/tmp/korvel-sim"), "/tmp/korvel-sim");
}

}  // namespace
}  // namespace korvel
