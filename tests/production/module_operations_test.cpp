// Application control, serial number and identification on the scripted port.
#include <gtest/gtest.h>

#include <map>

#include "production/module_operations.h"
#include "scripted_rig.h"

namespace korvel {
namespace {

using test::FakeClock;
using test::RecordingHost;
using Op = ScriptedSerialPort::Op;

struct ModuleFixture : ::testing::Test, test::ScriptedRig {
    void echoing() { port().queueRead("AT\r\nAT\r\nAT"); }
    std::vector<Timeouts> timeouts() { return test::timeoutsSet(port()); }
};

TEST_F(ModuleFixture, StartWithEchoSwallowsEachCommandAndShowsVersion) {
    echoing();
    port().queueRead("AT+WOPEN=1\r\n");
    port().queueRead("\r\nOK\r\n");
    port().queueRead("AT+ZQCONFIG\r\n");
    port().queueRead("\r\nOK\r\n");
    port().queueRead("AT+ZQVER?\r\n");
    port().queueRead("\r\n+ZQVER: 1.0.5-build-77\r\n");
    port().queueRead("AT+ZQEXIT\r\n");
    port().queueRead("\r\nOK\r\n");
    startApplication(ctx);
    EXPECT_EQ(port().unreadChunks(), 0u);
    EXPECT_EQ(host.statuses(),
              (QList<Status>{status::PortOpened, status::PortSettingsSet, status::ApplicationStarted,
                             status::CommunicatorInConfigMode, status::ApplicationVersion,
                             status::CommunicatorWorking}));
    EXPECT_EQ(host.detail(status::ApplicationVersion), QStringLiteral("1.0.5-buil"));
    EXPECT_EQ(clock.sleeps, std::vector<std::uint32_t>{3000});
    EXPECT_EQ(timeouts(), (std::vector<Timeouts>{{500, 0, 1000, 0, 1000}, {500, 0, 10000, 0, 1000}}));
    EXPECT_TRUE(host.boxes().isEmpty());
    expectClosed();
}

TEST_F(ModuleFixture, StartWhereOnlyTheEchoTestIsAnsweredEndsAtTheVersion) {
    port().queueRead("\r\nOK\r\n");  // answers the echo test, then nothing
    startApplication(ctx);
    EXPECT_EQ(host.boxes(), QList<Box>{box::VersionUnread});
    EXPECT_TRUE(host.statuses().contains(status::ApplicationStarted));
    EXPECT_EQ(port().count(Op::Read), 4u);  // echo test + three 10000 ms reads
    expectClosed();
}

TEST_F(ModuleFixture, DeleteCountsAnyReplyToEraseAsDone) {
    port().queueRead("");
    port().queueRead("\r\nOK\r\n");
    port().queueRead("\r\nERROR\r\n");
    port().queueRead("+CME ERROR: 3");
    deleteApplication(ctx);
    EXPECT_EQ(port().writes(), (std::vector<std::string>{"AT\r\n", "AT+WOPEN=0\r\n", "AT+WOPEN=3\r\n",
                                                          "AT+WOPEN=4\r\n"}));
    EXPECT_EQ(host.statuses().mid(2), (QList<Status>{status::ApplicationStopped, status::FlashObjectsErased,
                                                     status::ApplicationErased}));
    EXPECT_TRUE(host.boxes().isEmpty());
    expectClosed();
}

TEST_F(ModuleFixture, DeleteStopsAtTheFirstSilentErase) {
    port().queueRead("\r\nOK\r\n");
    port().queueRead("\r\nOK\r\n");
    deleteApplication(ctx);
    EXPECT_EQ(host.boxes(), QList<Box>{box::ObjectsNotErased});
    EXPECT_EQ(port().writes().size(), 3u);
    expectClosed();
}

TEST_F(ModuleFixture, SerialNumberWithLeadingZerosAndEcho) {
    echoing();
    port().queueRead("AT+ZQCONFIG\r\n");
    port().queueRead("\r\nOK\r\n");
    port().queueRead("AT+ZQSNUM=00001234\r\n");
    port().queueRead("\r\nOK\r\n");
    port().queueRead("AT+ZQEXIT\r\n");
    port().queueRead("\r\nOK\r\n");
    programSerialNumber(ctx, "00001234");
    const auto w = port().writes();
    EXPECT_EQ(w, (std::vector<std::string>{"AT\r\n", "AT+ZQCONFIG\r\n", "AT+ZQSNUM=", "00001234",
                                           "\r\n", "AT+ZQEXIT\r\n"}));
    EXPECT_EQ(port().unreadChunks(), 0u);
    EXPECT_EQ(host.detail(status::SerialNumberWritten), QStringLiteral("00001234"));
    EXPECT_EQ(host.statuses().last(), status::CommunicatorWorking);
    expectClosed();
}

TEST_F(ModuleFixture, RejectedSerialNumberSendsNoExit) {
    port().queueRead("");
    port().queueRead("\r\nOK\r\n");
    port().queueRead("\r\nERROR\r\n");
    programSerialNumber(ctx, "12345678");
    EXPECT_EQ(host.boxes(), QList<Box>{box::SerialNumberNotWritten});
    EXPECT_EQ(port().writes().back(), "\r\n");
    expectClosed();
}

TEST_F(ModuleFixture, IncompleteSerialNumberNeverOpensThePort) {
    programSerialNumber(ctx, "1234    ");
    EXPECT_EQ(host.boxes(), QList<Box>{box::SerialNumberMalformed});
    EXPECT_EQ(ports.created(), 0);
}

TEST_F(ModuleFixture, IdentificationSwallowsEchoAndSilentModuleChangesNothing) {
    echoing();
    port().queueRead("AT+CGMR\r\n");
    port().queueRead("\r\nR7.43.0.201001.Q2687RD 2318092 100110 17:10\r\n\r\nOK\r\n");
    const Outcome id = identifyModule(ctx);
    ASSERT_TRUE(id.ok());
    EXPECT_EQ(id.coreVersion, "R7.43.0");
    EXPECT_EQ(id.moduleType, "Q2687RD");
    EXPECT_EQ(port().unreadChunks(), 0u);
    EXPECT_EQ(timeouts().size(), 2u);
    expectClosed();

    test::ScriptedRig silent;
    auto& [h, f, k, x] = silent;
    EXPECT_EQ(identifyModule(x).result, Result::DeviceSilent);
    EXPECT_TRUE(h.boxes().isEmpty());
}

// A line the device sends by itself (here arriving after the given write)
// must not be taken for the next reply: the purge before each command drops
// it, and the run goes as if it had never come.  AT+ZQSNUM follows
// AT+ZQCONFIG's reply without a purge, so a line arriving there is read as
// the number's reply.
TEST(ModulePurges, LinesArrivedBeforeEachCommandAreDroppedExceptBeforeTheSerialNumber) {
    enum class Run { Identify, Start, Delete, Serial };
    const char* const names[] = {"identify", "start", "delete", "serial"};
    const std::string ok = "\r\nOK\r\n";
    const std::map<Run, std::vector<std::string>> replies = {
        {Run::Identify, {ok, "\r\nR7.43.0.201001.Q2687RD 2318092 100110 17:10\r\n\r\nOK\r\n"}},
        {Run::Start, {ok, ok, ok, "\r\n+ZQVER: 1.0.5\r\n", ok}},
        {Run::Delete, {ok, ok, ok}},  // then silence to AT+WOPEN=4
        {Run::Serial, {ok, ok, ok, ok}},
    };
    struct Row {
        Run run;
        std::size_t after;    // replies before the line
        std::string trigger;  // the write after which it arrives
        bool dropped;
    };
    const Row rows[] = {
        {Run::Identify, 0, "", true},              // before the echo test
        {Run::Identify, 1, "AT\r\n", true},         // before AT+CGMR
        {Run::Start, 0, "", true},
        {Run::Start, 1, "AT\r\n", true},            // before AT+WOPEN=1
        {Run::Start, 2, "AT+WOPEN=1", true},       // before AT+ZQCONFIG
        {Run::Start, 3, "AT+ZQCONFIG", true},      // before AT+ZQVER?
        {Run::Start, 4, "AT+ZQVER?", true},        // before AT+ZQEXIT
        {Run::Delete, 0, "", true},
        {Run::Delete, 1, "AT\r\n", true},           // before AT+WOPEN=0
        {Run::Delete, 2, "AT+WOPEN=0", true},      // before AT+WOPEN=3
        {Run::Delete, 3, "AT+WOPEN=3", true},      // before AT+WOPEN=4
        {Run::Serial, 0, "", true},
        {Run::Serial, 1, "AT\r\n", true},           // before AT+ZQCONFIG
        {Run::Serial, 2, "AT+ZQCONFIG", false},    // AT+ZQSNUM: no purge
        {Run::Serial, 3, "AT+ZQSNUM=", true},      // before AT+ZQEXIT
    };
    auto events = [&](Run run, const Row* line) {
        test::ScriptedRig rig;
        auto& [host, ports, clock, ctx] = rig;
        const std::vector<std::string>& script = replies.at(run);
        for (std::size_t i = 0; i <= script.size(); ++i) {
            if (line && line->after == i)
                ports.port().queueReadAfterWrite(line->trigger, "\r\n+WIND: 4\r\n");
            if (i < script.size()) ports.port().queueRead(script[i]);
        }
        switch (run) {
            case Run::Identify: identifyModule(ctx); break;
            case Run::Start: startApplication(ctx); break;
            case Run::Delete: deleteApplication(ctx); break;
            case Run::Serial: programSerialNumber(ctx, "00004500"); break;
        }
        return host.events;
    };
    for (const Row& row : rows) {
        const QStringList without = events(row.run, nullptr);
        const QStringList with = events(row.run, &row);
        if (row.dropped)
            EXPECT_EQ(with, without) << names[int(row.run)] << " after reply " << row.after;
        else
            EXPECT_TRUE(with.contains(test::event(box::SerialNumberNotWritten)));
    }
}

// Every error box of these operations comes after the port is closed with
// DTR down, so that the device is free while the operator reads it.
TEST(ModuleErrorBoxes, ComeAfterThePortIsClosed) {
    struct WatchingHost : RecordingHost {
        ScriptedSerialPort* watched = nullptr;
        QList<Box> heldAtBox;  // boxes shown while the port was open or DTR up
        void box(Box box, const Outcome& about = Outcome()) override {
            if (watched->isOpen() || watched->dtr()) heldAtBox << box;
            RecordingHost::box(box, about);
        }
    };
    enum class Run { Identify, Start, Delete, Serial };
    const std::string ok = "\r\nOK\r\n", no = "\r\nERROR\r\n";
    struct Row {
        Run run;
        std::vector<std::string> replies;
        Box box;
    };
    const Row rows[] = {
        {Run::Identify, {}, box::PortUnusable},  // settings unreadable
        {Run::Start, {}, box::DeviceSilent},
        {Run::Start, {ok, no}, box::StartRefused},
        {Run::Start, {ok, ok, no}, box::ConfigModeRefused},
        {Run::Start, {ok, ok, ok}, box::VersionUnread},
        {Run::Start, {ok, ok, ok, "\r\n+ZQVER: 1.0.5\r\n", no}, box::ExitRefused},
        {Run::Delete, {}, box::DeviceSilent},
        {Run::Delete, {ok, no}, box::StopRefused},
        {Run::Delete, {ok, ok}, box::ObjectsNotErased},
        {Run::Delete, {ok, ok, ok}, box::ApplicationNotErased},
        {Run::Serial, {}, box::DeviceSilent},
        {Run::Serial, {ok, no}, box::ConfigModeRefused},
        {Run::Serial, {ok, ok, no}, box::SerialNumberNotWritten},
        {Run::Serial, {ok, ok, ok, no}, box::ExitRefused},
    };
    for (const Row& row : rows) {
        WatchingHost host;
        ScriptedPortFactory ports;
        FakeClock clock;
        OperationContext ctx{host, ports, clock};
        host.watched = &ports.port();
        for (const std::string& r : row.replies) ports.port().queueRead(r);
        switch (row.run) {
            case Run::Identify: ports.port().failReadSettings(); identifyModule(ctx); break;
            case Run::Start: startApplication(ctx); break;
            case Run::Delete: deleteApplication(ctx); break;
            case Run::Serial: programSerialNumber(ctx, "00004500"); break;
        }
        EXPECT_EQ(host.boxes(), QList<Box>{row.box});
        EXPECT_TRUE(host.heldAtBox.isEmpty()) << row.box.key;
    }
}

TEST_F(ModuleFixture, ImageWriteChecksPortThenFile) {
    host.port.clear();
    EXPECT_EQ(writeProductionImage(ctx, "").result, Result::NoPortChosen);
    EXPECT_EQ(host.boxes(), QList<Box>{box::NoPortChosen});
    host.port = "COM3";
    EXPECT_EQ(writeProductionImage(ctx, "").result, Result::InvalidInput);
    EXPECT_EQ(host.boxes().last(), box::NoFileChosen);
    EXPECT_EQ(ports.created(), 0);
}

}  // namespace
}  // namespace korvel
