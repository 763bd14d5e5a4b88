// The rules device replies and the settings file share, and where the
// settings file's profile rules go further.
#include <gtest/gtest.h>

#include "configuration/config_parse.h"
#include "configuration/ini_file.h"
#include "configuration/text_rules.h"

namespace korvel {
namespace {

TEST(TextRules, TrimmingTakesSpacesAndTabsOnly) {
    EXPECT_EQ(trimBlanks(QStringLiteral(" \t a b \t")), QStringLiteral("a b"));
    EXPECT_EQ(trimBlanks(QStringLiteral("\r\n5\r\n")), QStringLiteral("\r\n5\r\n"));
    EXPECT_EQ(trimBlanks(QStringLiteral("   ")), QString());
}

TEST(TextRules, DecimalIntegerIsSignAndDigitsOnly) {
    EXPECT_EQ(decimalInteger(QStringLiteral("-12")), -12);
    EXPECT_EQ(decimalInteger(QStringLiteral("+7")), 7);
    EXPECT_EQ(decimalInteger(QStringLiteral("2147483647")), 2147483647);
    for (const char* bad : {"", "+", "-", " 7", "7 ", "0x10", "1e3", "12a", "2147483648", "٣"})
        EXPECT_FALSE(decimalInteger(QString::fromUtf8(bad))) << bad;
}

// The same text read by each rule: a reply tolerates blanks, the settings
// file also takes hexadecimal, and the balance numbers it writes are strict.
TEST(TextRules, EachReaderAddsOnlyItsOwnRule) {
    EXPECT_EQ(replyInteger(QStringLiteral(" 30\t")), 30);
    EXPECT_FALSE(replyInteger(QStringLiteral("0x1E")));
    EXPECT_EQ(profileInteger(QStringLiteral(" 30\t")), 30);
    EXPECT_EQ(profileInteger(QStringLiteral("0x1E")), 30);
    EXPECT_EQ(profileInteger(QStringLiteral("0xFFFFFFFF")), -1);
    EXPECT_FALSE(profileInteger(QStringLiteral("0x")));
    EXPECT_FALSE(profileInteger(QStringLiteral("0x100000000")));
    EXPECT_EQ(IniFile::parseInt(QStringLiteral("0x1E")), profileInteger(QStringLiteral("0x1E")));
}

TEST(TextRules, EveryQueryHasItsOwnCommandAndRule) {
    QStringList commands;
    for (const ConfigQuery& query : kConfigQueries) {
        ASSERT_NE(query.putReply, nullptr) << query.command;
        EXPECT_TRUE(QByteArray(query.command).startsWith("AT+ZQ")) << query.command;
        commands << QString::fromLatin1(query.command);
    }
    commands.removeDuplicates();
    EXPECT_EQ(commands.size(), kQueryCount);
}

}  // namespace
}  // namespace korvel
