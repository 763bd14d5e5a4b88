// The automatic write's chain without a device: which links run again, and
// what a link that never returned (its error escaped) is recorded as.  With
// no port chosen every device link ends at once, so only the chain's own
// rules are at work.
#include <gtest/gtest.h>

#include <map>

#include "production/production_chain.h"
#include "recording_host.h"
#include "device_link/serial/scripted_serial_port.h"

namespace korvel {
namespace {

struct Files : FileProbe {
    bool present = false;
    bool canOpen(const QString&) override { return present; }
};

struct ChainRig {
    test::RecordingHost host;
    test::FakeClock clock;
    ScriptedPortFactory ports;
    Files probe;
    OperationContext ctx{host, ports, clock};
    ChainState state;
    ChainRig() { host.port.clear(); }
};

TEST(ProductionChain, ALinkThatNeverReturnedIsIncompleteAndNotRunAgain) {
    for (const ChainLink thrown : {ChainLink::Identify, ChainLink::Files, ChainLink::Delete,
                                   ChainLink::BootLoader, ChainLink::Start, ChainLink::SerialNumber}) {
        ChainRig rig;
        ChainHooks hooks;
        hooks.retries = 2;
        int thrownAttempts = 0;  // a link that never returned is not run again
        hooks.around = [&, thrown = thrown](ChainLink link, const std::function<void()>& run) {
            if (link != thrown) run();  // the thrown link's error was shown and swallowed
            else ++thrownAttempts;
        };
        const std::vector<Outcome> outcomes = runProductionChain(rig.ctx, rig.probe, rig.state, hooks);
        ASSERT_EQ(outcomes.size(), std::size_t(kChainLinks));
        const Outcome& o = outcomes[std::size_t(thrown)];
        EXPECT_EQ(o.result, Result::Incomplete) << chainLinkName(thrown);
        EXPECT_EQ(thrownAttempts, 1) << chainLinkName(thrown);
    }
}

TEST(ProductionChain, FailedLinksRunAgainOnlyWhereThatIsSafe) {
    ChainRig rig;
    rig.probe.present = true;
    ChainHooks hooks;
    hooks.retries = 2;
    std::map<ChainLink, int> attempts;
    hooks.around = [&](ChainLink link, const std::function<void()>& run) {
        ++attempts[link];
        run();
    };
    runProductionChain(rig.ctx, rig.probe, rig.state, hooks);
    // Nothing was sent anywhere: every failed link, the serial number's
    // included, runs again up to the limit; the folder check found its files
    // and runs once.
    for (int i = 0; i < kChainLinks; ++i)
        EXPECT_EQ(attempts[ChainLink(i)], ChainLink(i) == ChainLink::Files ? 1 : 3) << i;

    // A number that went out unconfirmed is never sent again; every other
    // failure of any link may be.
    Outcome sent = Outcome::ended(Result::DeviceSilent, QStringLiteral("AT+ZQSNUM="));
    sent.serialSent = true;
    EXPECT_FALSE(chainLinkRepeatable(ChainLink::SerialNumber, sent));
    sent.serialSent = false;
    EXPECT_TRUE(chainLinkRepeatable(ChainLink::SerialNumber, sent));
    EXPECT_TRUE(chainLinkRepeatable(ChainLink::Application, sent));

    // A repeat the hook does not run leaves the first attempt standing.
    ChainRig second;
    ChainHooks once;
    once.retries = 1;
    std::map<ChainLink, int> calls;
    once.around = [&](ChainLink link, const std::function<void()>& run) {
        if (++calls[link] == 1) run();
    };
    const auto outcomes = runProductionChain(second.ctx, second.probe, second.state, once);
    EXPECT_EQ(outcomes[std::size_t(ChainLink::Identify)].result, Result::NoPortChosen);
}

}  // namespace
}  // namespace korvel
