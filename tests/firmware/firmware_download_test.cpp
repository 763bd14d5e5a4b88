// Both download sequences against the scripted port: exact bytes, waits on the
// injected clock, the restart on every path, the port closed at the end.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "file_bytes.h"
#include "firmware/firmware_download.h"
#include "scripted_rig.h"

namespace korvel {
namespace {

using test::FakeClock;
using test::RecordingHost;
using Op = ScriptedSerialPort::Op;

const std::string kNak(1, 0x15), kAck(1, 0x06);

struct DownloadFixture : ::testing::Test, test::ScriptedRig {
    QTemporaryDir dir;
    QString image(const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("image.dwl"));
        test::writeFileBytes(path, bytes);
        return path;
    }
};

TEST_F(DownloadFixture, UpdatePageSwitchesReopensSendsAndRestarts) {
    const QString path = image(QByteArrayLiteral("abc"));
    port().queueRead(kNak);
    port().queueRead(kAck);  // block
    port().queueRead(kAck);  // EOT
    updateFirmware(ctx, path);

    const auto w = port().writes();
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[0], "AT+WDWL\r\n");
    EXPECT_EQ(w[1].substr(0, 6), std::string("\x01\x01\xFE" "abc"));
    EXPECT_EQ(w[2], "\x04");
    EXPECT_EQ(w[3], "AT+CFUN=1\r\n");
    EXPECT_EQ(ports.created(), 2);
    EXPECT_EQ(clock.sleeps, (std::vector<std::uint32_t>{500, 5000, 1000, 1000}));
    EXPECT_EQ(host.statuses(),
              (QList<Status>{status::PortOpened, status::PortSettingsSet,
                             status::ControllerInDownloadMode, status::UpdatingFirmware,
                             status::ImageOpened, status::ControllerRestarted}));
    EXPECT_EQ(host.detail(status::ImageOpened), QStringLiteral("3"));
    EXPECT_EQ(host.gauge.max(), 3);
    EXPECT_EQ(host.gauge.progress(), 3);
    EXPECT_TRUE(host.boxes().isEmpty());
    expectClosed();
}

struct VanishingPortFactory : ScriptedPortFactory {
    std::unique_ptr<SerialPort> create() override {
        auto p = ScriptedPortFactory::create();
        if (created() > 1) port().failOpen(true);
        return p;
    }
};

TEST(DownloadReopen, PortThatNeverReappearsCostsTenAttempts) {
    RecordingHost host;
    VanishingPortFactory ports;
    FakeClock clock;
    OperationContext ctx{host, ports, clock};
    updateFirmware(ctx, QStringLiteral("/nonexistent.dwl"));
    std::vector<std::uint32_t> expected{500, 5000};
    expected.insert(expected.end(), 10, 1000);
    EXPECT_EQ(clock.sleeps, expected);
    EXPECT_EQ(host.boxes(), QList<Box>{box::PortNotReopened});
    EXPECT_EQ(ports.port().count(Op::Close), 1u);
    EXPECT_FALSE(ports.port().dtr());
}

TEST_F(DownloadFixture, ProductionChecksSwitchReplyAndProbesAfterRestart) {
    const QString path = image(QByteArray(130, 'z'));
    port().queueRead("AT\r\nAT\r\nAT");                    // echo test: echoes
    port().queueRead("AT+WDWL\r\n");                       // echo swallowed
    port().queueRead("\r\n+WDWL: 0\r\n");
    port().queueRead(kNak);
    port().queueRead(kAck);
    port().queueRead(kAck);
    port().queueRead(kAck);                                // EOT
    port().queueRead("\r\nOK\r\n");                        // AT after restart
    downloadProductionImage(ctx, path);

    EXPECT_EQ(host.statuses(),
              (QList<Status>{status::PortOpened, status::PortSettingsSet,
                             status::CommunicatorInDownloadMode, status::UpdatingFirmware,
                             status::ImageOpened, status::CommunicatorRestarted,
                             status::CommunicatorWorking}));
    EXPECT_EQ(host.detail(status::ImageOpened), QStringLiteral("130"));
    const auto w = port().writes();
    ASSERT_EQ(w.size(), 7u);
    EXPECT_EQ(w[0], "AT\r\n");
    EXPECT_EQ(w[1], "AT+WDWL\r\n");
    EXPECT_EQ(w[5], "AT+CFUN=1\r\n");
    EXPECT_EQ(w[6], "AT\r\n");
    EXPECT_EQ(test::timeoutsSet(port()), (std::vector<Timeouts>{{500, 0, 1000, 0, 1000}, {500, 0, 3000, 0, 1000}}));
    EXPECT_EQ(clock.sleeps, (std::vector<std::uint32_t>{1000, 1000}));
    EXPECT_EQ(host.gauge.progress(), 130);
    expectClosed();
}

// Lines the module sends by itself must not be taken for the reply that
// follows: the production sequence purges before the echo test, before
// AT+WDWL, before waiting for the first NAK and before the "AT" after the
// restart, and the run goes as if the line had never come.
TEST_F(DownloadFixture, ProductionDropsLinesArrivedBeforeEachStep) {
    const QString path = image(QByteArrayLiteral("abc"));
    // No echo, switched, one block and EOT acknowledged, then silence after
    // the restart (so that a line read there would show as an answer).
    const std::vector<std::string> replies = {"\r\nOK\r\n", "\r\n+WDWL: 0\r\n", kNak, kAck, kAck};
    struct Row {
        std::size_t after;    // replies before the line
        std::string trigger;  // the write after which it arrives
    };
    const Row rows[] = {
        {0, ""},             // before the echo test
        {1, "AT\r\n"},        // before AT+WDWL
        {2, "AT+WDWL"},      // before the wait for the first NAK
        {5, "AT+CFUN=1"},    // before the "AT" after the restart
    };
    auto events = [&](const Row* line) {
        test::ScriptedRig rig;
        auto& [h, f, k, x] = rig;
        for (std::size_t i = 0; i <= replies.size(); ++i) {
            if (line && line->after == i) f.port().queueReadAfterWrite(line->trigger, "\r\nRING\r\n");
            if (i < replies.size()) f.port().queueRead(replies[i]);
        }
        downloadProductionImage(x, path);
        return h.events;
    };
    const QStringList clean = events(nullptr);
    EXPECT_TRUE(clean.contains(test::event(status::CommunicatorInDownloadMode)));
    EXPECT_FALSE(clean.contains(test::event(status::CommunicatorWorking)));
    for (const Row& row : rows) EXPECT_EQ(events(&row), clean) << "line after reply " << row.after;
}

TEST_F(DownloadFixture, FailuresStillRestartAndSayLastThatNothingWasWritten) {
    struct Case {
        const char* name;
        QByteArray image;
        std::vector<std::string> replies;
        Result result;
        int refusedBlock;
    };
    const std::vector<Case> cases{
        {"empty file", QByteArray(), {"", ""}, Result::FileProblem, 0},
        {"CRC asked", QByteArray(5, 'a'), {"", "", "C"}, Result::DeviceSilent, 0},
        {"block refused", QByteArray(5, 'a'), {"", "", kNak, kNak, kNak, kNak}, Result::Refused, 1},
    };
    for (const Case& c : cases) {
        test::ScriptedRig rig;
        auto& [h, f, k, x] = rig;
        for (const std::string& r : c.replies) f.port().queueRead(r);
        const Outcome o = downloadProductionImage(x, image(c.image));
        EXPECT_EQ(o.result, c.result) << c.name;
        EXPECT_EQ(o.refusedBlock, c.refusedBlock) << c.name;
        const QList<Status> s = h.statuses();
        ASSERT_GE(s.size(), 2) << c.name;
        EXPECT_EQ(s.last(), status::FirmwareNotWritten) << c.name;
        EXPECT_TRUE(s.contains(status::CommunicatorRestarted)) << c.name;
        EXPECT_EQ(f.port().writes().back().rfind("AT", 0), 0u) << c.name;
        EXPECT_TRUE(h.boxes().isEmpty()) << c.name;
        EXPECT_FALSE(f.port().isOpen()) << c.name;
        EXPECT_FALSE(f.port().dtr()) << c.name;
    }
}

TEST_F(DownloadFixture, UpdatePageWaitsLongerForTheFirstNak) {
    const QString path = image(QByteArrayLiteral("x"));
    for (int i = 0; i < 6; ++i) port().queueRead("");  // module still silent after reopen
    port().queueRead(kNak);
    port().queueRead(kAck);
    port().queueRead(kAck);
    updateFirmware(ctx, path);
    EXPECT_EQ(host.statuses().last(), status::ControllerRestarted);
    EXPECT_EQ(port().writes().size(), 4u);

    test::ScriptedRig rig;
    auto& [h, f, k, x] = rig;
    EXPECT_EQ(updateFirmware(x, path).result, Result::DeviceSilent);
    EXPECT_EQ(f.port().readSizes().size(), 15u);  // the bound: 15 reads of the 2 s first-byte bound
    EXPECT_EQ(h.statuses().last(), status::FirmwareNotWritten);
}

TEST_F(DownloadFixture, RefusedSettingsOnProductionSkipTransferButRestart) {
    port().failApplySettings();
    EXPECT_EQ(downloadProductionImage(ctx, image("abc")).result, Result::Incomplete);
    EXPECT_EQ(port().writes(), (std::vector<std::string>{"AT+CFUN=1\r\n", "AT\r\n"}));
    EXPECT_EQ(host.statuses().last(), status::FirmwareNotWritten);
    expectClosed();
}

}  // namespace
}  // namespace korvel
