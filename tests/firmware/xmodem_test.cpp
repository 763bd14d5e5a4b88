// XMODEM blocks and the sender's refusal rules against the scripted port.
#include <gtest/gtest.h>

#include "device_link/serial/scripted_serial_port.h"
#include "firmware/xmodem.h"

namespace korvel {
namespace {

using namespace xmodem;
const std::string kAckByte(1, kAck), kNakByte(1, kNak);

TEST(XmodemBlock, AbcIsPaddedAndSummed) {
    const QByteArray block = buildBlock(QByteArrayLiteral("abc"), 0, 1);
    ASSERT_EQ(block.size(), 132);
    EXPECT_EQ(block.left(6), QByteArray("\x01\x01\xFE" "abc"));
    EXPECT_EQ(block.mid(6, 125), QByteArray(125, 0x1A));
    EXPECT_EQ(static_cast<unsigned char>(block[131]), 0xD8);
}

TEST(XmodemBlock, OneByteAndBlockNumbersWrap) {
    const QByteArray one = buildBlock(QByteArray(1, 'Z'), 0, 1);
    EXPECT_EQ(one[3], 'Z');
    EXPECT_EQ(one.mid(4, 127), QByteArray(127, 0x1A));
    EXPECT_EQ(static_cast<unsigned char>(one[131]), (0x5A + 127 * 0x1A) & 0xFF);
    const QByteArray b256 = buildBlock(QByteArray(300, 'x'), 0, static_cast<std::uint8_t>(256));
    EXPECT_EQ(static_cast<unsigned char>(b256[1]), 0);
    EXPECT_EQ(static_cast<unsigned char>(b256[2]), 255);
}

struct SenderFixture : ::testing::Test {
    ScriptedSerialPort port;
    std::vector<qsizetype> positions;
    SenderHooks hooks;
    SenderFixture() {
        port.open("x");
        hooks.afterBlock = [this](qsizetype p) { positions.push_back(p); };
    }
    // The data writes (blocks and EOTs), in order.
    std::vector<std::string> sent() const { return port.writes(); }
};

TEST_F(SenderFixture, ExactMultipleOfBlockSizeSendsNoFillBlockAndEot) {
    port.queueRead(kNakByte);
    for (int i = 0; i < 3; ++i) port.queueRead(kAckByte);
    const QByteArray image(256, 'q');
    const Result r = send(port, image, hooks);
    EXPECT_EQ(r.outcome, Outcome::Complete);
    ASSERT_EQ(sent().size(), 3u);
    EXPECT_EQ(sent()[0].substr(0, 3), std::string("\x01\x01\xFE"));
    EXPECT_EQ(sent()[1].substr(0, 3), std::string("\x01\x02\xFD"));
    EXPECT_EQ(sent()[2], std::string(1, kEot));
    EXPECT_EQ(positions, (std::vector<qsizetype>{128, 256}));
}

TEST_F(SenderFixture, NaksRepeatedWhileWaitingAreNotTakenAsRefusals) {
    // The module repeated its NAK before the sender got to it.
    port.queueReadAfterWrite("", kNakByte + kNakByte + kNakByte);
    for (int i = 0; i < 3; ++i) port.queueRead(kAckByte);
    EXPECT_EQ(send(port, QByteArray(256, 'q'), hooks).outcome, Outcome::Complete);
    EXPECT_EQ(sent().size(), 3u);  // each block once, then EOT
}

TEST_F(SenderFixture, BlockNumber257CarriesOne) {
    port.queueRead(kNakByte);
    for (int i = 0; i < 258; ++i) port.queueRead(kAckByte);
    const Result r = send(port, QByteArray(257 * 128, 'w'), hooks);
    EXPECT_EQ(r.outcome, Outcome::Complete);
    EXPECT_EQ(static_cast<unsigned char>(sent()[255][1]), 0);
    EXPECT_EQ(static_cast<unsigned char>(sent()[256][1]), 1);
    EXPECT_EQ(static_cast<unsigned char>(sent()[256][2]), 254);
}

TEST_F(SenderFixture, NakNakAckResendsTwiceAndGoesOn) {
    for (const std::string& b : {kNakByte, kNakByte, kNakByte, kAckByte, kAckByte, kAckByte})
        port.queueRead(b);
    const Result r = send(port, QByteArray(200, 'a'), hooks);
    EXPECT_EQ(r.outcome, Outcome::Complete);
    ASSERT_EQ(sent().size(), 5u);  // block 1 three times, block 2, EOT
    EXPECT_EQ(sent()[0], sent()[2]);
    EXPECT_EQ(sent()[3][1], 2);
}

TEST_F(SenderFixture, ThreeRefusalsStopWithoutEotOrCan) {
    port.queueRead(kNakByte);
    port.queueRead(kAckByte);
    port.queueRead(kNakByte);
    port.queueRead(std::string(1, 0x18));  // CAN is just a refusal
    port.queueRead("");                    // and so is silence
    const Result r = send(port, QByteArray(400, 'b'), hooks);
    EXPECT_EQ(r.outcome, Outcome::BlockRefused);
    EXPECT_EQ(r.refusedBlock, 2);
    ASSERT_EQ(sent().size(), 4u);
    for (const std::string& w : sent()) EXPECT_EQ(w.size(), 132u);
}

TEST_F(SenderFixture, EotUsesWhatTheLastBlockLeft) {
    // Last block accepted at its third attempt: one EOT, not repeated.
    for (const std::string& b : {kNakByte, kNakByte, kNakByte, kAckByte, kNakByte, kNakByte})
        port.queueRead(b);
    send(port, QByteArray(10, 'c'), hooks);
    ASSERT_EQ(sent().size(), 4u);
    EXPECT_EQ(sent()[3], std::string(1, kEot));
    EXPECT_EQ(port.unreadChunks(), 1u);

    // Accepted at once: EOT gets three attempts.
    ScriptedSerialPort fresh;
    fresh.open("y");
    for (const std::string& b : {kNakByte, kAckByte, kNakByte, kNakByte, kNakByte}) fresh.queueRead(b);
    send(fresh, QByteArray(10, 'c'), hooks);
    EXPECT_EQ(fresh.writes().size(), 4u);
}

TEST_F(SenderFixture, OnlyNakStarts) {
    for (const std::string& first : {std::string("C"), std::string(1, 0x18), std::string()}) {
        ScriptedSerialPort p;
        p.open("z");
        p.queueRead(first);
        EXPECT_EQ(send(p, QByteArray(10, 'd'), hooks).outcome, Outcome::NotRequested);
        EXPECT_TRUE(p.writes().empty());
    }
    EXPECT_EQ(send(port, QByteArray(), hooks).outcome, Outcome::NoImage);
    EXPECT_EQ(port.count(ScriptedSerialPort::Op::Read), 0u);
}

}  // namespace
}  // namespace korvel
