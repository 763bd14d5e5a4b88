// The port connection and the controller reset against the scripted port.
#include <gtest/gtest.h>

#include "device_link/controller_reset.h"
#include "device_link/port_session.h"
#include "scripted_rig.h"

namespace korvel {
namespace {

using test::FakeClock;
using test::RecordingHost;
using Op = ScriptedSerialPort::Op;

struct ResetFixture : ::testing::Test, test::ScriptedRig {
    void expectClosedAndFree() {
        expectClosed();
        EXPECT_FALSE(host.portBusy);
    }
};

TEST_F(ResetFixture, SendsRestartPausesAndCloses) {
    resetController(ctx);
    EXPECT_EQ(port().lastPath(), devicePathForPortName("COM3"));
    EXPECT_EQ(port().written(), "AT+CFUN=1\r\n");
    EXPECT_EQ(clock.sleeps, std::vector<std::uint32_t>{500});
    const ScriptedSerialPort::Call *timeouts = nullptr, *queues = nullptr, *line = nullptr;
    for (const auto& c : port().calls()) {
        if (c.op == Op::SetTimeouts) timeouts = &c;
        if (c.op == Op::SetQueues) queues = &c;
        if (c.op == Op::ApplySettings) line = &c;
    }
    ASSERT_TRUE(timeouts && queues && line);
    EXPECT_EQ(timeouts->timeouts, (Timeouts{500, 0, 0, 0, 1000}));
    EXPECT_EQ(queues->size, 1024u);
    // The line: 115200 8N1, CTS output flow, RTS handshake, DTR by hand; the
    // platform's own record is kept as read.
    const LineSettings& s = line->settings;
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

TEST_F(ResetFixture, NoPortChosenShowsOnlyTheBox) {
    host.port.clear();
    EXPECT_EQ(resetController(ctx).result, Result::NoPortChosen);
    EXPECT_EQ(host.events, QStringList{test::event(box::NoPortChosen)});
    EXPECT_EQ(ports.created(), 0);
}

// The box names the port and the outcome says why it failed, with the
// system's text and, for a busy port, who holds it.
TEST_F(ResetFixture, UnusablePortBoxNamesThePortAndWhy) {
    const struct {
        OpenFailure reason;
        const char* system;  // the system's text of the failure
    } cases[] = {
        {OpenFailure::Absent, "No such file or directory"},
        {OpenFailure::Busy, ""},
        {OpenFailure::Other, "Input/output error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.reason));
        test::ScriptedRig rig;
        auto& [h, p, k, context] = rig;
        p.port().failOpen(c.reason, c.system);
        const Outcome o = resetController(context);
        EXPECT_EQ(o.result, Result::PortUnusable);
        EXPECT_EQ(o.openFailure, c.reason);
        EXPECT_EQ(o.systemMessage, QString::fromUtf8(c.system));
        EXPECT_EQ(h.events, QStringList{test::event(box::PortUnusable)});
        ASSERT_EQ(h.boxOutcomes.size(), 1);
        EXPECT_EQ(h.boxOutcomes[0].portName, QStringLiteral("COM3"));
        EXPECT_EQ(h.boxOutcomes[0].openFailure, c.reason);
        EXPECT_EQ(h.boxOutcomes[0].systemMessage, o.systemMessage);
        EXPECT_FALSE(p.port().isOpen());
    }
}

TEST_F(ResetFixture, UnreadableSettingsCloseThePort) {
    port().failReadSettings();
    resetController(ctx);
    EXPECT_EQ(host.boxes(), QList<Box>{box::PortUnusable});
    EXPECT_TRUE(host.uses().isEmpty());
    expectClosedAndFree();
}

TEST_F(ResetFixture, RefusedSettingsSkipTheDialogueSilently) {
    port().failApplySettings();
    resetController(ctx);
    EXPECT_TRUE(port().written().empty());
    EXPECT_TRUE(host.boxes().isEmpty());
    expectClosedAndFree();
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

}  // namespace
}  // namespace korvel
