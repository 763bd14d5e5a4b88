#include "device_link/text_codec.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

TEST(TextCodec, RussianTextHasItsWindows1251Bytes) {
    const QString text = QStringLiteral("Конфигурация записана: Ёж, ёлка, №5 «SIM» — ok");
    const QByteArray expected =
        "\xCA\xEE\xED\xF4\xE8\xE3\xF3\xF0\xE0\xF6\xE8\xFF \xE7\xE0\xEF\xE8\xF1\xE0\xED\xE0: "
        "\xA8\xE6, \xB8\xEB\xEA\xE0, \xB9" "5 \xABSIM\xBB \x97 ok";
    EXPECT_EQ(toDeviceBytes(text), expected);
    EXPECT_EQ(fromDeviceBytes(expected), text);
}

TEST(TextCodec, WholeAlphabetAndEveryByteRoundTrip) {
    QString alphabet;
    for (char16_t c = 0x0410; c <= 0x044F; ++c) alphabet.append(QChar(c));
    const QByteArray alphabetBytes = toDeviceBytes(alphabet);
    ASSERT_EQ(alphabetBytes.size(), 64);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(static_cast<unsigned char>(alphabetBytes[i]), 0xC0 + i);

    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
    const QString decoded = fromDeviceBytes(all);
    ASSERT_EQ(decoded.size(), 256);
    EXPECT_EQ(toDeviceBytes(decoded), all);  // 0x98 included: no byte is lost
    EXPECT_EQ(decoded.at(0x98).unicode(), 0x0098);
    EXPECT_EQ(decoded.at(0x88), QChar(0x20AC));  // euro sign
}

TEST(TextCodec, CharactersTheCodePageLacksBecomeQuestionMarks) {
    EXPECT_EQ(toDeviceBytes(QStringLiteral("a\u00E9b\u4E2Dc")), QByteArray("a?b?c"));
    // One character outside the basic plane is one '?', not two.
    EXPECT_EQ(toDeviceBytes(QString::fromUtf8("x\xF0\x9F\x98\x80y")), QByteArray("x?y"));
}

TEST(TextCodec, ReplyTextStopsAtTheFirstZeroByte) {
    EXPECT_EQ(toDeviceBytes(replyText(QByteArray("\xCE\xCA\0noise", 8))), QByteArray("\xCE\xCA"));
}

}  // namespace
}  // namespace korvel
