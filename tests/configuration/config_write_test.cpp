// The configuration write against a scripted port: the exact bytes of the
// whole command sequence, the refusals and how each ends, the frame around it.
#include "configuration/config_write.h"

#include <gtest/gtest.h>

#include "device_link/clock_commands.h"
#include "config_test_support.h"

namespace korvel {
namespace {

using Op = ScriptedSerialPort::Op;
using test::kLongRefusal;
using test::kOk;
using test::kShortRefusal;

// Sleeps go into the host's event list so that their order shows.
class OrderedClock : public test::FakeClock {
public:
    explicit OrderedClock(test::RecordingHost& host) : host_(host) {}
    void sleepMs(std::uint32_t ms) override {
        FakeClock::sleepMs(ms);
        host_.events << QStringLiteral("sleep:%1").arg(ms);
    }

private:
    test::RecordingHost& host_;
};

class ConfigWrite : public ::testing::Test {
protected:
    Outcome write() { return writeConfiguration(rig.ctx, rig.form); }
    // The echo test and AT+ZQCONFIG answered by a device without echo.
    void entered() { rig.ok(2); }
    test::Rig rig;
};

TEST_F(ConfigWrite, EmptyFormSendsTheWholeSequenceByteForByte) {
    const QString time = "AT+ZQTIME=" + timeText(localNow(rig.clock).time(), regionalTimeSeparator());
    const QString date = "AT+ZQDATE=" + dateText(localNow(rig.clock).date(), regionalShortDatePattern());
    entered();
    rig.ok(51);
    write();

    QStringList expected = {"AT", "AT+ZQCONFIG", time, date, "AT+ZQPIN=    ", "AT+ZQTEL=          ", "AT+ZQAPN="};
    for (int n = 1; n <= 5; ++n) expected << QStringLiteral("AT+ZQSERVER=%1,0,,,,").arg(n);
    expected << QStringLiteral("AT+ZQBALANCE=,,,          ") << QStringLiteral("AT+ZQPORT=");
    for (int n = 1; n <= 32; ++n) expected << QStringLiteral("AT+ZQDEVICE=%1,0,0").arg(n);
    expected << "AT+ZQSMSPASS=    " << "AT+ZQERRSMS=1,0," << "AT+ZQERRSMS=2,0," << "AT+ZQGPRS2=0" << "AT+ZQGPRS3=0"
             << "AT+ZQSAVE" << "AT+ZQEXIT";
    EXPECT_EQ(rig.sentLines(), expected);

    // Piece by piece: each value and separator is a write of its own; an
    // empty value writes nothing.
    const std::vector<std::string> writes = rig.port().writes();
    const auto pieces = [](const QString& joined) {
        std::vector<std::string> out;
        for (const QString& p : joined.split(QLatin1Char('|'))) out.push_back(p.toStdString());
        return out;
    };
    EXPECT_EQ(std::vector<std::string>(writes.begin(), writes.begin() + 22),
              pieces("AT\r\n|AT+ZQCONFIG\r\n|AT+ZQTIME=|" + time.mid(10) + "|\r\n|AT+ZQDATE=|" + date.mid(10) +
                     "|\r\n|AT+ZQPIN=|    |\r\n|AT+ZQTEL=|          |\r\n|AT+ZQAPN=|\r\n|AT+ZQSERVER=|1|,0,|,|,|,"));
    EXPECT_EQ(std::vector<std::string>(writes.end() - 19, writes.end() - 1),
              pieces("AT+ZQSMSPASS=|    |\r\n|AT+ZQERRSMS=|1|,0,|\r\n|AT+ZQERRSMS=|2|,0,|\r\n|"
                     "AT+ZQGPRS2=|0|\r\n|AT+ZQGPRS3=|0|\r\n|AT+ZQSAVE\r\n"));
    EXPECT_EQ(writes.back(), "AT+ZQEXIT\r\n");
    EXPECT_TRUE(rig.host.boxes().isEmpty());
    EXPECT_EQ(rig.host.statuses().last(), status::ConfigurationWritten);
    EXPECT_TRUE(rig.cleanEnd());
}

TEST_F(ConfigWrite, PasswordWithoutLoginIsStillSent) {
    rig.form.setText(FormField::GprsPassword, QStringLiteral("pw"));
    entered();
    rig.ok(52);
    write();
    const QStringList lines = rig.sentLines();
    const qsizetype apn = lines.indexOf(QStringLiteral("AT+ZQAPN="));
    ASSERT_GE(apn, 0);
    EXPECT_EQ(lines.mid(apn + 1, 2),
              (QStringList{QStringLiteral("AT+ZQPASS=pw"), QStringLiteral("AT+ZQSERVER=1,0,,,,")}));
    EXPECT_TRUE(rig.cleanEnd());
}

TEST_F(ConfigWrite, FrameTimeoutsGaugeAndLog) {
    OrderedClock clock(rig.host);
    OperationContext ctx{rig.host, rig.ports, clock};
    entered();
    rig.ok(51);
    writeConfiguration(ctx, rig.form);

    EXPECT_EQ(rig.port().lastPath(), devicePathForPortName("COM3"));
    for (const Timeouts& t : test::timeoutsSet(rig.port())) EXPECT_EQ(t, (Timeouts{500, 0, 0, 0, 500}));
    // The window answers while the gauge shows, before the 500 ms pause; no other pause.
    EXPECT_EQ(clock.sleeps, std::vector<std::uint32_t>{500});
    const qsizetype pump = rig.host.events.indexOf(QStringLiteral("pump"));
    EXPECT_GE(pump, 0);
    EXPECT_LT(pump, rig.host.events.indexOf(QStringLiteral("sleep:500")));

    // 49 answered commands: the gauge stops at 15 and is hidden at the end.
    EXPECT_EQ(rig.gauge().max(), 15);
    EXPECT_EQ(rig.gauge().highest, 15);
    EXPECT_FALSE(rig.gauge().isVisible());
    EXPECT_TRUE(rig.cleanEnd());
    // The port reported in use once and free once.
    EXPECT_EQ(rig.host.uses(), (QStringList{"1", "0"}));

    using test::event;
    const QStringList memo = rig.host.memo1();
    EXPECT_EQ(memo.first(), event(LogNote::ConfigModeEntered));
    EXPECT_TRUE(memo.contains(QStringLiteral("AT+ZQSERVER=1,0,,,,")));
    EXPECT_EQ(memo.mid(memo.size() - 4), (QStringList{"AT+ZQSAVE", "\r\nOK\r\n", event(LogNote::ConfigSaved),
                                                      event(LogNote::ConfigModeLeft)}));
}

// Each refusal is tried as the usual 9-byte "\r\nERROR\r\n" and as a reply
// of exactly the six bytes read.
class Refusal : public ConfigWrite, public ::testing::WithParamInterface<std::string> {};

TEST_P(Refusal, InsideTheServerTableSkipsOnlyItsRest) {
    entered();
    rig.ok(6);  // time, date, PIN, TEL, APN, server 1
    rig.refuse(GetParam());
    rig.ok(60);
    write();
    const QStringList sent = rig.sentLines();
    const qsizetype at = sent.indexOf(QStringLiteral("AT+ZQSERVER=2,0,,,,"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(sent.at(at + 1), QStringLiteral("AT+ZQBALANCE=,,,          "));
    EXPECT_FALSE(sent.join(QChar('|')).contains(QStringLiteral("AT+ZQSERVER=3")));
    EXPECT_EQ(rig.host.boxes(), QList<Box>{box::ConfigurationError});
    // AT+ZQBALANCE got the OK meant for it, so the write went on to the end.
    EXPECT_EQ(sent.mid(sent.size() - 2), (QStringList{"AT+ZQSAVE", "AT+ZQEXIT"}));
    EXPECT_TRUE(rig.host.memo1().contains(test::event(LogNote::ConfigSaved)));
    EXPECT_TRUE(rig.cleanEnd());
}

TEST_P(Refusal, InsideTheDeviceAndAlarmTablesGoesOnWithTheNextCommand) {
    entered();
    rig.ok(5 + 5 + 2 + 3);   // up to device row 3
    rig.refuse(GetParam());  // device row 4
    rig.ok();                // SMS password
    rig.refuse(GetParam());  // alarm row 1
    rig.ok(5);
    write();
    const QStringList sent = rig.sentLines();
    const qsizetype smsPass = sent.indexOf(QStringLiteral("AT+ZQSMSPASS=    "));
    ASSERT_GE(smsPass, 0);
    EXPECT_EQ(sent.at(smsPass - 1), QStringLiteral("AT+ZQDEVICE=4,0,0"));
    EXPECT_EQ(sent.mid(smsPass + 1, 2), (QStringList{"AT+ZQERRSMS=1,0,", "AT+ZQGPRS2=0"}));
    EXPECT_EQ(rig.host.boxes().size(), 2);
    EXPECT_TRUE(rig.cleanEnd());
}

TEST_P(Refusal, OfTheTelephoneEndsTheWrite) {
    entered();
    rig.ok(3);
    rig.refuse(GetParam());
    rig.ok();
    write();
    const QStringList sent = rig.sentLines();
    EXPECT_EQ(sent.mid(sent.size() - 2), (QStringList{"AT+ZQTEL=          ", "AT+ZQEXIT"}));
    EXPECT_EQ(rig.host.boxes().size(), 1);
    EXPECT_EQ(rig.host.statuses().last(), status::ConfigurationNotWritten);
    EXPECT_EQ(rig.host.memo1().last(), test::event(LogNote::ConfigModeLeft));
    EXPECT_TRUE(rig.cleanEnd());
}

TEST_P(Refusal, OfConfigurationMode) {
    rig.ok();
    rig.refuse(GetParam());
    rig.ok();
    write();
    EXPECT_EQ(rig.sentLines(), (QStringList{"AT", "AT+ZQCONFIG", "AT+ZQEXIT"}));
    EXPECT_EQ(rig.host.boxes(), QList<Box>{box::ConfigModeNotStarted});
    EXPECT_EQ(rig.host.memo1(), QStringList{test::event(LogNote::ConfigModeLeft)});
    EXPECT_EQ(rig.gauge().highest, 0);
    EXPECT_TRUE(rig.clock.sleeps.empty());
    EXPECT_TRUE(rig.cleanEnd());
}

TEST_P(Refusal, OfSave) {
    entered();
    rig.ok(49);
    rig.refuse(GetParam());
    rig.ok();
    write();
    const QStringList sent = rig.sentLines();
    EXPECT_EQ(sent.mid(sent.size() - 2), (QStringList{"AT+ZQSAVE", "AT+ZQEXIT"}));
    const QStringList memo = rig.host.memo1();
    EXPECT_TRUE(memo.contains(test::event(LogNote::ConfigSaveRefused)));
    EXPECT_EQ(memo.last(), test::event(LogNote::ConfigModeLeft));
    EXPECT_EQ(rig.host.boxes(), QList<Box>{box::ConfigurationError});
    EXPECT_TRUE(rig.cleanEnd());
}

TEST_P(Refusal, OfExitIsOnlyLogged) {
    entered();
    rig.ok(50);
    rig.refuse(GetParam());
    write();
    EXPECT_EQ(rig.host.memo1().last(), test::event(LogNote::ConfigModeNotLeft));
    EXPECT_TRUE(rig.host.boxes().isEmpty());
    EXPECT_EQ(rig.host.statuses().last(), status::ConfigurationNotWritten);
    EXPECT_TRUE(rig.cleanEnd());
}

TEST_P(Refusal, OfTheGprsVariantsMovesTheFocus) {
    entered();
    rig.ok(47);  // everything up to AT+ZQGPRS2
    rig.refuse(GetParam());
    rig.ok();
    write();
    QStringList sent = rig.sentLines();
    EXPECT_EQ(sent.mid(sent.size() - 2), (QStringList{"AT+ZQGPRS2=0", "AT+ZQEXIT"}));
    EXPECT_EQ(rig.host.boxes(), QList<Box>{box::ConfigurationError});
    EXPECT_EQ(rig.host.refused, QList<Setting>{Setting::Gprs2Period});
    EXPECT_TRUE(rig.cleanEnd());

    test::Rig second;
    second.ok(2 + 48);
    second.refuse(GetParam());
    second.ok();
    writeConfiguration(second.ctx, second.form);
    sent = second.sentLines();
    EXPECT_EQ(sent.mid(sent.size() - 2), (QStringList{"AT+ZQGPRS3=0", "AT+ZQEXIT"}));
    EXPECT_EQ(second.host.refused, QList<Setting>{Setting::Gprs3Address});
    EXPECT_TRUE(second.cleanEnd());
}

INSTANTIATE_TEST_SUITE_P(LongAndShort, Refusal, ::testing::Values(kLongRefusal, kShortRefusal),
                         [](const auto& info) {
                             return info.param.size() == 9 ? "Error" : "SixBytes";
                         });

TEST_F(ConfigWrite, SilentDeviceStopsAfterConfigModeWithOneBox) {
    write();  // nothing scripted: every read returns no byte
    EXPECT_EQ(rig.port().writes(), (std::vector<std::string>{"AT\r\n", "AT+ZQCONFIG\r\n"}));
    EXPECT_EQ(rig.host.boxes(), QList<Box>{box::DeviceSilent});
    EXPECT_EQ(rig.host.statuses().last(), status::ConfigurationNotWritten);
    EXPECT_EQ(rig.gauge().highest, 0);
    EXPECT_TRUE(rig.cleanEnd());
}

TEST_F(ConfigWrite, UnconfirmedSaveIsNotReportedAsStored) {
    rig.ok(200);
    write();
    const int save = static_cast<int>(rig.sentLines().indexOf(QStringLiteral("AT+ZQSAVE")));
    ASSERT_GT(save, 0);

    // The device fell silent before AT+ZQSAVE: the same bytes go out, but
    // nothing says the configuration was stored.
    test::Rig silentSave;
    silentSave.ok(save);
    silentSave.port().queueRead("");
    silentSave.ok();
    writeConfiguration(silentSave.ctx, silentSave.form);
    EXPECT_EQ(silentSave.sentLines(), rig.sentLines());
    EXPECT_TRUE(silentSave.host.boxes().isEmpty());
    EXPECT_EQ(silentSave.host.statuses().last(), status::ConfigurationNotWritten);
    EXPECT_TRUE(silentSave.cleanEnd());
}

TEST_F(ConfigWrite, RefusedPortSettingsSendNothing) {
    rig.port().failSetTimeouts();
    write();
    EXPECT_EQ(rig.port().count(Op::Write), 0u);
    EXPECT_TRUE(rig.host.boxes().isEmpty());
    EXPECT_TRUE(rig.cleanEnd());
}

}  // namespace
}  // namespace korvel
