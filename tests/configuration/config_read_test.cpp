// The configuration read against a scripted port: the query exchange with
// and without echo, the frame around it and the refusals.
#include "configuration/config_read.h"

#include <gtest/gtest.h>

#include <set>

#include "configuration/config_commands.h"
#include "configuration/config_parse.h"
#include "configuration/meter_types.h"
#include "config_test_support.h"

namespace korvel {
namespace {

using Op = ScriptedSerialPort::Op;
using test::kOk;

std::string answer(const std::string& lines) { return "\r\n" + lines + kOk; }

// Replies of a configured device, one per query.
std::vector<std::string> deviceReplies() {
    std::string servers, devices;
    for (int r = 1; r <= 5; ++r)
        servers += r == 2 ? "+ZQSERVER: 2,1,9161234567,10.0.0.2,502,second_one\r\n"
                          : "+ZQSERVER: " + std::to_string(r) + ",0,,,,\r\n";
    for (int r = 1; r <= 32; ++r)
        devices += "+ZQDEVICE: " + std::to_string(r) + (r == 4 ? ",1,17" : ",0,0") + "\r\n";
    return {answer("+ZQVER: 1.0.5\r\n"),
            answer("+ZQTIME: 14:05:09\r\n"),
            answer("+ZQDATE: 02.12.2026\r\n"),
            answer("+ZQPIN: 1234\r\n"),
            answer("+ZQTEL: 9160000001\r\n"),
            answer("+ZQSNUM: 00012345\r\n"),
            answer(servers),
            answer("+ZQAPN: internet\r\n"),
            answer("+ZQUSER: \xcf\xb8\xf2\xf0\r\n"),  // Windows-1251
            answer("+ZQPASS: secret\r\n"),
            answer("+ZQBALANCE: *100#,60,25,9169876543\r\n"),
            answer("+ZQPORT: 9600\r\n"),
            answer(devices),
            answer("+ZQSMSPASS: 5729\r\n"),
            answer("+ZQERRSMS: 1,1,9161112233\r\n+ZQERRSMS: 2,0,\r\n"),
            answer("+ZQGPRS2: 30,2\r\n"),
            answer("+ZQGPRS3: 1,10.0.0.1,502\r\n")};
}

// Each pump notes how many writes and reads the port had taken.
class PumpWatch : public test::RecordingHost {
public:
    explicit PumpWatch(ScriptedSerialPort& port) : port_(port) {}
    void processMessages() override {
        RecordingHost::processMessages();
        atPump.insert({port_.writes().size(), port_.readSizes().size()});
    }
    std::set<std::pair<std::size_t, std::size_t>> atPump;

private:
    ScriptedSerialPort& port_;
};

class ConfigRead : public ::testing::Test {
protected:
    void read() { readConfiguration(rig.ctx, rig.form); }
    void queueDevice(bool echo) {
        rig.port().queueRead(echo ? "AT\r\n" + kOk : kOk);
        if (echo) rig.port().queueRead("AT+ZQCONFIG\r\n");
        rig.ok();
        const std::vector<std::string> replies = deviceReplies();
        for (int i = 0; i < kQueryCount; ++i) {
            if (echo) rig.port().queueRead(std::string(kConfigQueries[i].command) + "?\r\n");
            rig.port().queueRead(replies[static_cast<std::size_t>(i)]);
        }
        if (echo) rig.port().queueRead("AT+ZQEXIT\r\n");
        rig.ok();
    }
    void expectFormFilled() {
        const MemoryConfigForm& f = rig.form;
        EXPECT_EQ(f.text(FormField::SoftwareVersion), QStringLiteral("1.0.5"));
        EXPECT_EQ(f.text(FormField::DeviceTime), QStringLiteral("14:05:09"));
        EXPECT_EQ(f.text(FormField::DeviceDate), QStringLiteral("02.12.2026"));
        EXPECT_EQ(f.text(FormField::SimPin), QStringLiteral("1234"));
        EXPECT_EQ(f.text(FormField::SimTelephone), QStringLiteral("9160000001"));
        EXPECT_EQ(f.text(FormField::SerialNumber), QStringLiteral("00012345"));
        EXPECT_EQ(f.cell(FormGrid::Servers, 4, 2), QStringLiteral("second one"));
        EXPECT_EQ(toDeviceBytes(f.text(FormField::GprsLogin)), "\xcf\xb8\xf2\xf0");
        EXPECT_EQ(f.text(FormField::BalancePeriod), QStringLiteral("60"));
        EXPECT_EQ(f.text(FormField::Rs485Speed), QStringLiteral("9600"));
        EXPECT_EQ(f.cell(FormGrid::Meters, 1, 4), meterTypeName(1));
        EXPECT_EQ(f.cell(FormGrid::Meters, 2, 4), QStringLiteral("17"));
        EXPECT_EQ(f.cell(FormGrid::AlarmNumbers, 1, 1), QStringLiteral("9161112233"));
        EXPECT_TRUE(f.isChecked(FormCheck::Gprs2Enabled));
        EXPECT_EQ(f.gprs2Server(), 2);
        EXPECT_EQ(f.text(FormField::Gprs3Port), QStringLiteral("502"));
    }
    test::Rig rig;
};

TEST_F(ConfigRead, DeviceWithoutEcho) {
    queueDevice(false);
    read();
    expectFormFilled();

    std::vector<std::string> want = {"AT\r\n", "AT+ZQCONFIG\r\n"};
    for (const ConfigQuery& query : kConfigQueries) {
        want.push_back(query.command);
        want.push_back("?\r\n");
    }
    want.push_back("AT+ZQEXIT\r\n");
    EXPECT_EQ(rig.port().writes(), want);

    // Every reply is logged as it came.
    const QStringList memo = rig.host.memo1();
    ASSERT_EQ(memo.size(), 1 + kQueryCount + 1);
    EXPECT_EQ(memo.first(), test::event(LogNote::ConfigModeEntered));
    EXPECT_EQ(memo.at(1), QStringLiteral("\r\n+ZQVER: 1.0.5\r\n\r\nOK\r\n"));
    EXPECT_EQ(memo.last(), test::event(LogNote::ConfigModeLeft));
    EXPECT_EQ(rig.gauge().max(), 17);
    EXPECT_EQ(rig.gauge().highest, 17);
    EXPECT_TRUE(rig.cleanEnd());
    EXPECT_EQ(rig.port().unreadChunks(), 0u);
}

TEST_F(ConfigRead, DeviceWithEchoReadsTheSame) {
    queueDevice(true);
    EXPECT_TRUE(readConfiguration(rig.ctx, rig.form).ok());
    expectFormFilled();
    EXPECT_EQ(rig.port().unreadChunks(), 0u);
    EXPECT_EQ(rig.host.memo1().last(), test::event(LogNote::ConfigModeLeft));
}

// A line the device sends between queries is dropped, not taken as the next
// reply; the window answers while each reply is awaited; the status comes
// once the port is locked.
TEST_F(ConfigRead, StrayLineWindowAndStatus) {
    PumpWatch host(rig.port());
    OperationContext ctx{host, rig.ports, rig.clock};
    rig.ok(2);
    const std::vector<std::string> replies = deviceReplies();
    for (int i = 0; i < kQueryCount; ++i) {
        rig.port().queueRead(replies[static_cast<std::size_t>(i)]);
        if (i == 3) rig.port().queueReadAfterWrite("AT+ZQPIN", "\r\n+ZQREADY\r\n");
    }
    rig.ok();
    EXPECT_EQ(readConfiguration(ctx, rig.form).answeredQueries, kQueryCount);
    expectFormFilled();
    for (std::size_t i = 1; i <= kQueryCount; ++i)  // query i written, its reply not yet read
        EXPECT_EQ(host.atPump.count({2 + 2 * i, 1 + i}), 1u) << "query " << i;

    EXPECT_EQ(host.statuses(), (QList<Status>{status::ReadingConfiguration, status::ConfigurationRead}));
    EXPECT_LT(host.events.indexOf(QStringLiteral("inUse:1")),
              host.events.indexOf(test::event(status::ReadingConfiguration)));
    for (const Timeouts& t : test::timeoutsSet(rig.port())) EXPECT_EQ(t, (Timeouts{200, 0, 0, 0, 1000}));
    // The gauge's pause, and 1000 ms after closing.
    EXPECT_EQ(rig.clock.sleeps, (std::vector<std::uint32_t>{500, 1000}));
    EXPECT_FALSE(host.gauge.isVisible());
    EXPECT_FALSE(host.portBusy);
}

TEST_F(ConfigRead, UnansweredQueryLeavesItsFieldsAndTheGauge) {
    rig.form.setText(FormField::SimPin, QStringLiteral("9999"));
    rig.ok(2);
    const std::vector<std::string> replies = deviceReplies();
    for (int i = 0; i < kQueryCount; ++i) rig.port().queueRead(i == 3 ? "" : replies[i]);
    rig.ok();
    read();
    EXPECT_EQ(rig.form.text(FormField::SimPin), QStringLiteral("9999"));
    EXPECT_EQ(rig.form.text(FormField::SimTelephone), QStringLiteral("9160000001"));
    EXPECT_EQ(rig.gauge().highest, 16);
    EXPECT_EQ(rig.host.statuses().last(), status::ConfigurationReadPartly);
}

TEST_F(ConfigRead, RefusedQueryLeavesItsFieldsAndTheReadIsIncomplete) {
    rig.form.setText(FormField::GprsAccessPoint, QStringLiteral("keep"));
    rig.ok(2);
    const std::vector<std::string> replies = deviceReplies();
    for (int i = 0; i < kQueryCount; ++i)
        rig.port().queueRead(i == 7 ? test::kLongRefusal : replies[i]);  // AT+ZQAPN?
    rig.ok();
    read();
    EXPECT_EQ(rig.form.text(FormField::GprsAccessPoint), QStringLiteral("keep"));
    EXPECT_EQ(toDeviceBytes(rig.form.text(FormField::GprsLogin)), "\xcf\xb8\xf2\xf0");  // the rest came in
    EXPECT_TRUE(rig.host.memo1().contains(QStringLiteral("\r\nERROR\r\n")));  // logged as it came
    EXPECT_EQ(rig.gauge().highest, kQueryCount);
    EXPECT_EQ(rig.host.statuses().last(), status::ConfigurationReadPartly);
    EXPECT_TRUE(rig.cleanEnd());
}

TEST_F(ConfigRead, RefusedEntrySendsNoQueryButStillExits) {
    rig.form.setText(FormField::GprsAccessPoint, QStringLiteral("keep"));
    rig.ok();
    rig.refuse(test::kLongRefusal);
    rig.ok();
    read();
    EXPECT_EQ(rig.port().writes(),
              (std::vector<std::string>{"AT\r\n", "AT+ZQCONFIG\r\n", "AT+ZQEXIT\r\n"}));
    EXPECT_TRUE(rig.host.boxes().isEmpty());
    EXPECT_EQ(rig.host.memo1(), QStringList{test::event(LogNote::ConfigModeLeft)});
    // Nothing was read, and the status line says so.
    EXPECT_EQ(rig.host.statuses().last(), status::ConfigurationNotRead);
    EXPECT_EQ(rig.form.text(FormField::GprsAccessPoint), QStringLiteral("keep"));
    EXPECT_EQ(rig.clock.sleeps, std::vector<std::uint32_t>{1000});
    EXPECT_TRUE(rig.cleanEnd());
}

TEST_F(ConfigRead, RefusedSettingsSkipTheDialogue) {
    rig.port().failApplySettings();
    read();
    EXPECT_EQ(rig.port().count(Op::Write), 0u);
    EXPECT_EQ(rig.host.statuses(), QList<Status>{status::ReadingConfiguration});
    EXPECT_EQ(rig.clock.sleeps, std::vector<std::uint32_t>{1000});
    EXPECT_TRUE(rig.cleanEnd());
}

}  // namespace
}  // namespace korvel
