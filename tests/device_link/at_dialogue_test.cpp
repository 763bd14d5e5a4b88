// The AT primitives against the scripted port: exact bytes written, echo
// handling, each reply rule's verdict, refusal drains and the configuration log.
#include <gtest/gtest.h>

#include "device_link/at_dialogue.h"
#include "scripted_rig.h"

namespace korvel {
namespace {

using test::RecordingHost;

const Timeouts kWriteTimeouts{500, 0, 0, 0, 500};

struct AtFixture : ::testing::Test {
    ScriptedSerialPort port;
    RecordingHost host;
    AtDialogue at{port, host, kWriteTimeouts};
};

TEST(ReplyCheck, AcceptsLeadingBytesOfOkOnly) {
    EXPECT_TRUE(replyCheck(""));
    EXPECT_TRUE(replyCheck("\r\nO"));
    EXPECT_TRUE(replyCheck("\r\nOK\r\n"));
    EXPECT_FALSE(replyCheck("\r\nER"));
    EXPECT_FALSE(replyCheck("\r\nERROR\r\n"));
    EXPECT_FALSE(replyCheck(QByteArray("\r\0", 2)));
    EXPECT_FALSE(replyCheck("\r\nOK\r\nX"));
}

TEST_F(AtFixture, EchoTestNeedsExactlyTenBytes) {
    port.queueRead("AT\r\n\r\nOK\r\n");
    EXPECT_TRUE(at.echoTest());
    port.queueRead("\r\nOK\r\n");
    EXPECT_FALSE(at.echoTest());
    EXPECT_FALSE(at.echoTest());  // silent device
    EXPECT_EQ(port.writes(), (std::vector<std::string>{"AT\r\n", "AT\r\n", "AT\r\n"}));
    EXPECT_EQ(port.readSizes(), (std::vector<std::size_t>{10, 10, 10}));
}

// Every rule against a good, a silent and a refused reply: whether the step
// passes, and how a failed one ends its operation.
TEST_F(AtFixture, EachRuleJudgesGoodSilentAndRefusedReplies) {
    const struct Row {
        ReplyRule rule;
        std::string reply;
        QByteArray goodReply;
        bool passed;
        Result failure;  // when not passed
    } rows[] = {
        {ReplyRule::OkRequired, "\r\nOK\r\n", {}, true, Result::Done},
        {ReplyRule::OkRequired, "", {}, false, Result::DeviceSilent},
        {ReplyRule::OkRequired, "\r\nERROR", {}, false, Result::Refused},
        {ReplyRule::SilenceAllowed, "\r\nOK\r\n", {}, true, Result::Done},
        {ReplyRule::SilenceAllowed, "", {}, true, Result::Done},
        {ReplyRule::SilenceAllowed, "\r\nERROR", {}, false, Result::Refused},
        {ReplyRule::AnyAnswer, "\r\nOK\r\n", {}, true, Result::Done},
        {ReplyRule::AnyAnswer, "", {}, false, Result::DeviceSilent},
        {ReplyRule::AnyAnswer, "\r\nERROR", {}, true, Result::Done},
        // A step's own good reply replaces OK, which then is a refusal.
        {ReplyRule::OkRequired, "\r\n+WDWL: 0\r\n", "\r\n+WDWL: 0\r\n", true, Result::Done},
        {ReplyRule::OkRequired, "\r\nOK\r\n", "\r\n+WDWL: 0\r\n", false, Result::Refused},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reply);
        ScriptedSerialPort p;
        RecordingHost h;
        AtDialogue dialogue(p, h, kWriteTimeouts);
        p.queueRead(row.reply);
        const Verdict v = dialogue.exchange(
            AtCall({"AT+ZQPIN=", "1234", "\r\n"}, 12, row.rule).expecting(row.goodReply));
        EXPECT_EQ(v.passed(), row.passed);
        EXPECT_EQ(v.step, "AT+ZQPIN=");
        EXPECT_EQ(v.reply, QByteArray::fromStdString(row.reply));
        if (row.passed) continue;
        const Outcome o = v.failure();
        EXPECT_EQ(o.result, row.failure);
        EXPECT_EQ(o.step, "AT+ZQPIN=");
        EXPECT_EQ(o.reply, row.failure == Result::Refused ? v.reply : QByteArray());
    }
}

TEST_F(AtFixture, EchoingDeviceEntersAndLeavesConfigurationMode) {
    port.queueReadAfterWrite("", "\r\n+ZQREADY\r\n");  // waiting since the port opened
    port.queueRead("AT\r\n\r\nOK\r\n");
    port.queueRead("AT+ZQCONFIG\r\n");
    port.queueRead("\r\nOK\r\n");
    port.queueRead("AT+ZQEXIT\r\n");
    port.queueRead("\r\nOK\r\n");
    // The stale line is purged and each echo swallowed whole: otherwise a
    // reply would not read as OK.
    EXPECT_TRUE(at.enterConfigMode(true).passed());
    EXPECT_TRUE(at.leaveConfigMode().passed());
    EXPECT_TRUE(at.echo());
    EXPECT_EQ(port.unreadChunks(), 0u);
    EXPECT_EQ(port.written(), "AT\r\nAT+ZQCONFIG\r\nAT+ZQEXIT\r\n");
    EXPECT_EQ(host.memo1(), (QStringList{test::event(LogNote::ConfigModeEntered),
                                         test::event(LogNote::ConfigModeLeft)}));
    EXPECT_TRUE(host.boxes().isEmpty());
}

TEST_F(AtFixture, RefusedEntryShowsItsBox) {
    port.queueRead("\r\nOK\r\n");
    port.queueRead("\r\nERR\r");
    EXPECT_FALSE(at.enterConfigMode(true).passed());
    EXPECT_EQ(host.boxes(), QList<Box>{box::ConfigModeNotStarted});
    EXPECT_TRUE(host.memo1().isEmpty());
}

TEST_F(AtFixture, CommandStepLogsSwallowsAndChecks) {
    port.queueRead("AT\r\n\r\nOK\r\n");
    at.echoTest();
    test::RecordingGauge gauge;
    gauge.setMax(15);
    // The echo of all three pieces is swallowed; the OK after it is the reply.
    port.queueRead("AT+ZQPIN=1234\r\n\r\nOK\r\n");
    const Verdict pin = at.commandStep({"AT+ZQPIN=", "1234", "\r\n"}, "AT+ZQPIN=1234", &gauge);
    EXPECT_TRUE(pin.passed());
    EXPECT_EQ(pin.reply, "\r\nOK\r\n");
    EXPECT_EQ(host.memo1(), (QStringList{"AT+ZQPIN=1234", "\r\nOK\r\n"}));
    EXPECT_EQ(gauge.progress(), 1);

    // A reply cut after "\r\nO" is good; no reply at all is good and moves nothing.
    port.queueRead("AT+ZQTEL=1\r\n");
    port.queueRead("\r\nO");
    EXPECT_TRUE(at.commandStep({"AT+ZQTEL=", "1", "\r\n"}, "AT+ZQTEL=1", &gauge).passed());
    EXPECT_TRUE(at.commandStep({"AT+ZQAPN=", "\r\n"}, "AT+ZQAPN=", &gauge).passed());
    EXPECT_EQ(gauge.progress(), 2);
    EXPECT_TRUE(host.boxes().isEmpty());
}

TEST_F(AtFixture, LongRefusalIsDrainedBeforeTheNextCommand) {
    port.queueRead("\r\nERROR\r\n");
    EXPECT_FALSE(at.commandStep({"AT+ZQSERVER=", "2,0,,,,", "\r\n"}, "x", nullptr).passed());
    EXPECT_EQ(host.boxes(), QList<Box>{box::ConfigurationError});
    // The tail of the refusal was read away, each wait no longer than the
    // byte interval, and the usual time-outs were put back afterwards.
    EXPECT_EQ(port.unreadChunks(), 0u);
    const std::vector<Timeouts> set = test::timeoutsSet(port);
    ASSERT_FALSE(set.empty());
    EXPECT_LE(set.front().readConstant, kWriteTimeouts.readInterval);
    EXPECT_EQ(set.back(), kWriteTimeouts);
}

// A refusal shorter than the read is whole: the next reply is not read away.
TEST_F(AtFixture, ShortRefusalLeavesTheNextReply) {
    port.queueRead("\r\nNO\r");
    port.queueRead("\r\nOK\r\n");
    EXPECT_FALSE(at.commandStep({"AT+ZQTEL=\r\n"}, "AT+ZQTEL=", nullptr).passed());
    EXPECT_EQ(at.commandStep({"AT+ZQAPN=\r\n"}, "AT+ZQAPN=", nullptr).reply, "\r\nOK\r\n");
}

TEST_F(AtFixture, SaveOutcomesAreLogged) {
    port.queueRead("\r\nOK\r\n");
    EXPECT_TRUE(at.saveConfig().passed());
    const Verdict silent = at.saveConfig();
    EXPECT_TRUE(!silent.passed() && silent.silent());
    port.queueRead("\r\nER\r\n");
    const Verdict refused = at.saveConfig();
    EXPECT_TRUE(!refused.passed() && !refused.silent());
    using test::event;
    EXPECT_EQ(host.memo1(),
              (QStringList{"AT+ZQSAVE", "\r\nOK\r\n", event(LogNote::ConfigSaved), "AT+ZQSAVE",
                           "AT+ZQSAVE", "\r\nER\r\n", event(LogNote::ConfigSaveRefused)}));
    EXPECT_EQ(host.boxes(), QList<Box>{box::ConfigurationError});
}

// A refused exit is only logged, and what the device sends after it is not
// left for the next operation.
TEST_F(AtFixture, RefusedExitIsOnlyLogged) {
    port.queueRead("\r\nER");
    port.queueReadAfterWrite("AT+ZQEXIT\r\n", "\r\n+ZQREADY\r\n");
    at.leaveConfigMode();
    EXPECT_EQ(host.memo1(), QStringList{test::event(LogNote::ConfigModeNotLeft)});
    EXPECT_TRUE(host.boxes().isEmpty());
    EXPECT_EQ(port.unreadChunks(), 0u);
}

TEST_F(AtFixture, EchoOfACommandLongerThanTheBufferIsReadInParts) {
    port.queueRead("AT\r\n\r\nOK\r\n");
    at.echoTest();
    const QByteArray value(2500, 'x');
    port.queueRead("AT+ZQAPN=" + std::string(2500, 'x') + "\r\n");
    port.queueRead("\r\nOK\r\n");
    EXPECT_TRUE(at.commandStep({"AT+ZQAPN=", value, "\r\n"}, "AT+ZQAPN=...", nullptr).passed());
    EXPECT_EQ(host.memo1().last(), "\r\nOK\r\n");
}

TEST_F(AtFixture, PartialWritesCountTheBytesTaken) {
    port.queueRead("AT\r\n\r\nOK\r\n");
    at.echoTest();
    port.limitNextWrite(3);  // CTS held low: the first piece is cut
    EXPECT_EQ(at.send({"AT+ZQPIN=", "12", "\r\n"}), 7u);
}

}  // namespace
}  // namespace korvel
