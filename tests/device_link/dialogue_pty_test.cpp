// The AT dialogue and the controller reset over a real pseudo-terminal
// against the device simulator.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "device_link/at_dialogue.h"
#include "device_link/controller_reset.h"
#include "device_link/port_session.h"
#include "recording_host.h"
#include "simulator_process.h"

namespace korvel {
namespace {

using test::FakeClock;
using test::RecordingHost;
using test::SimulatorProcess;

struct PtyFixture {
    RecordingHost host;
    std::unique_ptr<SerialPortFactory> ports = makeSystemSerialPortFactory();
    FakeClock clock;
    OperationContext ctx{host, *ports, clock};
};

// Enters and leaves configuration mode the way the configuration write does.
void enterAndLeave(OperationContext& ctx) {
    PortSession session(ctx);
    ASSERT_TRUE(session.open());
    session.markInUse();
    const Timeouts t{500, 0, 0, 0, 500};
    ASSERT_TRUE(session.configure(t));
    AtDialogue at(session.port(), ctx.sink, t);
    at.enterConfigMode(true);
    at.leaveConfigMode();
}

// A real open that fails for a reason of no known kind (a name longer than
// the system allows) gives the box the system's own text, and keeps it in
// the outcome and in the outcome's summary for the record.
TEST(DialogueOverPty, UnknownOpenFailureKeepsTheSystemsText) {
    PtyFixture f;
    f.host.port = QStringLiteral("/tmp/") + QString(300, QLatin1Char('x'));
    const Outcome o = resetController(f.ctx);
    const QString system = QString::fromStdString(std::strerror(ENAMETOOLONG));
    EXPECT_EQ(o.result, Result::PortUnusable);
    EXPECT_EQ(o.openFailure, OpenFailure::Other);
    EXPECT_EQ(o.systemMessage, system);
    EXPECT_TRUE(outcomeSummary(o).endsWith(QStringLiteral(": ") + system));
    ASSERT_EQ(f.host.boxes(), QList<Box>{box::PortUnusable});
    EXPECT_EQ(f.host.boxOutcomes[0].systemMessage, system);
}

TEST(DialogueOverPty, RefusedEntryStillLeavesConfigurationMode) {
    SimulatorProcess sim({"--refuse", "AT+ZQCONFIG"});
    ASSERT_TRUE(sim.ready());
    PtyFixture f;
    f.host.port = sim.port();
    enterAndLeave(f.ctx);
    EXPECT_EQ(f.host.boxes(), QList<Box>{box::ConfigModeNotStarted});
    // The refusal's tail was not taken for the exit's reply.
    EXPECT_EQ(f.host.memo1(), QStringList{test::event(LogNote::ConfigModeLeft)});
    EXPECT_TRUE(sim.waitForReceived(28).endsWith("AT+ZQEXIT\r\n"));
}

TEST(DialogueOverPty, HeldPortIsUnusableForASecondOperation) {
    SimulatorProcess sim;
    ASSERT_TRUE(sim.ready());
    PtyFixture f;
    f.host.port = sim.port();
    PortSession holder(f.ctx);
    ASSERT_TRUE(holder.open());
    resetController(f.ctx);
    // The box names who holds it: this very program, and the simulator,
    // which keeps its end's terminal open.
    ASSERT_EQ(f.host.boxes(), QList<Box>{box::PortUnusable});
    const Outcome& about = f.host.boxOutcomes[0];
    EXPECT_EQ(about.portName, sim.port());
    EXPECT_EQ(about.openFailure, OpenFailure::Busy);
    std::vector<long> pids;
    for (const PortHolder& h : about.holders) pids.push_back(h.pid);
    EXPECT_NE(std::find(pids.begin(), pids.end(), long(QCoreApplication::applicationPid())), pids.end());
    EXPECT_NE(std::find(about.holders.begin(), about.holders.end(), PortHolder{long(sim.pid()), "korvel_simulato"}),
              about.holders.end());
}

}  // namespace
}  // namespace korvel
