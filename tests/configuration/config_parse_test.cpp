// The text operations and the parse rules of the configuration read, on
// replies as the communicator sends them and on damaged ones.
#include "configuration/config_parse.h"
#include "configuration/meter_types.h"

#include <gtest/gtest.h>

#include "config_test_support.h"

namespace korvel {
namespace {

using test::numberRows;

const QString kBlanks10 = QString(10, QLatin1Char(' '));

TEST(TextOperations, SkipPastColonDropsColonAndOneCharacter) {
    EXPECT_EQ(skipPastColon(QStringLiteral("+ZQAPN: inet\r\n")), QStringLiteral("inet\r\n"));
    EXPECT_EQ(skipPastColon(QStringLiteral("a:b:c")), QStringLiteral(":c"));
    // Without a colon: from the second character.
    EXPECT_EQ(skipPastColon(QStringLiteral("xyz")), QStringLiteral("yz"));
    EXPECT_EQ(skipPastColon(QStringLiteral("abc:")), QString());
    EXPECT_EQ(skipPastColon(QString()), QString());
}

TEST(TextOperations, TakeAfterColonIsCutByTheEndOfText) {
    EXPECT_EQ(takeAfterColon(QStringLiteral("+ZQPIN: 1234\r\n"), 4), QStringLiteral("1234"));
    EXPECT_EQ(takeAfterColon(QStringLiteral("+ZQPIN: 12"), 4), QStringLiteral("12"));
    EXPECT_EQ(takeAfterColon(QStringLiteral("x1234567"), 3), QStringLiteral("123"));
    EXPECT_EQ(takeAfterColon(QStringLiteral("+ZQPIN:"), 4), QString());
}

TEST(TextOperations, SkipPastCommaAndFieldUpTo) {
    EXPECT_EQ(skipPastComma(QStringLiteral("1,2,3")), QStringLiteral("2,3"));
    EXPECT_EQ(skipPastComma(QStringLiteral("no comma")), QStringLiteral("no comma"));
    EXPECT_EQ(skipPastComma(QStringLiteral("end,")), QString());
    EXPECT_EQ(fieldUpTo(QStringLiteral("ab,cd"), QLatin1Char(',')), QStringLiteral("ab"));
    EXPECT_EQ(fieldUpTo(QStringLiteral("abcd"), QLatin1Char(',')), QString());
    EXPECT_EQ(fieldUpTo(QStringLiteral(",x"), QLatin1Char(',')), QString());
}

TEST(TextOperations, DecimalIntegerAcceptsOnlyDecimalNumbers) {
    EXPECT_EQ(replyInteger(QStringLiteral("30")), 30);
    EXPECT_EQ(replyInteger(QStringLiteral(" 7 ")), 7);
    EXPECT_EQ(replyInteger(QStringLiteral("-2")), -2);
    EXPECT_EQ(replyInteger(QStringLiteral("+5")), 5);
    EXPECT_EQ(replyInteger(QStringLiteral("007")), 7);
    for (const char* bad : {"", " ", "+", "1a", "0x10", "$10", "1 2", "1.5", "3\r", "99999999999"})
        EXPECT_FALSE(replyInteger(QString::fromLatin1(bad))) << bad;
}

class ParseRules : public ::testing::Test {
protected:
    void SetUp() override { numberRows(form); }
    void parse(int index, const char* reply) {
        parseQueryReply(index, QString::fromUtf8(reply), form);
    }
    MemoryConfigForm form;
};

TEST_F(ParseRules, VersionTimeAndDateMustEndInsideTheirTake) {
    parse(0, "\r\n+ZQVER: 1.0.5-beta1\r\n\r\nOK\r\n");  // 11 characters
    EXPECT_EQ(form.text(FormField::SoftwareVersion), QStringLiteral("1.0.5-beta1"));
    parse(0, "\r\n+ZQVER: 1.0.5-beta12\r\n\r\nOK\r\n");  // 12 characters
    EXPECT_EQ(form.text(FormField::SoftwareVersion), QString());

    parse(1, "\r\n+ZQTIME: 14:05:09\r\n\r\nOK\r\n");
    EXPECT_EQ(form.text(FormField::DeviceTime), QStringLiteral("14:05:09"));
    parse(1, "\r\n+ZQTIME: 14:05:09.5\r\n");  // longer than 9: no line end in the take
    EXPECT_EQ(form.text(FormField::DeviceTime), QString());

    parse(2, "\r\n+ZQDATE: 02.12.2026\r\n\r\nOK\r\n");
    EXPECT_EQ(form.text(FormField::DeviceDate), QStringLiteral("02.12.2026"));
}

TEST_F(ParseRules, FixedLengthValues) {
    parse(3, "\r\n+ZQPIN: 1234\r\n\r\nOK\r\n");
    EXPECT_EQ(form.text(FormField::SimPin), QStringLiteral("1234"));
    form.setText(FormField::SimPin, QString());
    parse(3, "\r\n+ZQPIN: 4321");  // no line end after the digits
    EXPECT_EQ(form.text(FormField::SimPin), QStringLiteral("4321"));

    parse(4, "\r\n+ZQTEL: 9161234567\r\n\r\nOK\r\n");
    EXPECT_EQ(form.text(FormField::SimTelephone), QStringLiteral("9161234567"));
    parse(5, "\r\n+ZQSNUM: 00012345\r\n\r\nOK\r\n");
    EXPECT_EQ(form.text(FormField::SerialNumber), QStringLiteral("00012345"));
}

TEST_F(ParseRules, LineValuesAndBalance) {
    parse(7, "\r\n+ZQAPN: internet.mts.ru\r\n\r\nOK\r\n");
    parse(8, "\r\n+ZQUSER: mts\r\n\r\nOK\r\n");
    parse(9, "\r\n+ZQPASS: \r\n\r\nOK\r\n");
    parse(11, "\r\n+ZQPORT: 9600\r\n\r\nOK\r\n");
    parse(13, "\r\n+ZQSMSPASS: 5729\r\n\r\nOK\r\n");
    parse(10, "\r\n+ZQBALANCE: *100#,60,25,9169876543\r\n\r\nOK\r\n");
    EXPECT_EQ(form.text(FormField::GprsAccessPoint), QStringLiteral("internet.mts.ru"));
    EXPECT_EQ(form.text(FormField::GprsLogin), QStringLiteral("mts"));
    EXPECT_EQ(form.text(FormField::GprsPassword), QString());
    EXPECT_EQ(form.text(FormField::Rs485Speed), QStringLiteral("9600"));
    EXPECT_EQ(form.text(FormField::SmsPassword), QStringLiteral("5729"));
    EXPECT_EQ(form.text(FormField::BalanceUssd), QStringLiteral("*100#"));
    EXPECT_EQ(form.text(FormField::BalancePeriod), QStringLiteral("60"));
    EXPECT_EQ(form.text(FormField::BalanceThreshold), QStringLiteral("25"));
    EXPECT_EQ(form.text(FormField::BalanceAlarmTelephone), QStringLiteral("9169876543"));
}

TEST_F(ParseRules, ServerListRowsAndUnderscores) {
    parse(6,
          "\r\n+ZQSERVER: 1,1,9161234567,10.0.0.1,502,main_server_of_the_r\r\n"
          "+ZQSERVER: 2,0,,,,\r\n"
          "+ZQSERVER: 3,1,9160000003,192.168.1.10,8080,reserve\r\n"
          "+ZQSERVER: 4,0,,,,\r\n"
          "+ZQSERVER: 5,1,,,,\r\n\r\nOK\r\n");
    const FormGrid g = FormGrid::Servers;
    EXPECT_EQ(form.cell(g, 1, 1), QStringLiteral("9161234567"));
    EXPECT_EQ(form.cell(g, 2, 1), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(form.cell(g, 3, 1), QStringLiteral("502"));
    EXPECT_EQ(form.cell(g, 4, 1), QStringLiteral("main server of the r"));
    EXPECT_EQ(form.cell(g, 1, 2), QString());
    EXPECT_EQ(form.cell(g, 4, 2), QString());
    EXPECT_EQ(form.cell(g, 2, 3), QStringLiteral("192.168.1.10"));
    EXPECT_EQ(form.cell(g, 3, 3), QStringLiteral("8080"));
    EXPECT_EQ(form.cell(g, 4, 3), QStringLiteral("reserve"));
    EXPECT_EQ(form.cell(g, 0, 3), QStringLiteral("3"));  // the number column is never touched
}

TEST_F(ParseRules, ServerRowSearchesItsColonInsideThePreviousDescription) {
    // T is not advanced past a description: a colon in it starts the next row.
    parse(6,
          "\r\n+ZQSERVER: 1,1,111,1.1.1.1,1,host:_x\r\n"
          "+ZQSERVER: 2,1,222,2.2.2.2,2,two\r\n");
    const FormGrid g = FormGrid::Servers;
    EXPECT_EQ(form.cell(g, 4, 1), QStringLiteral("host: x"));
    // Row 2 starts after "host:_": skips "x\r\n+ZQSERVER: 2" and "1", takes "222".
    EXPECT_EQ(form.cell(g, 1, 2), QStringLiteral("222"));
    EXPECT_EQ(form.cell(g, 2, 2), QStringLiteral("2.2.2.2"));
}

TEST_F(ParseRules, InstrumentTypesComeFromTheSelector) {
    QByteArray reply = "\r\n";
    for (int r = 1; r <= 32; ++r) {
        const int code = r == 1 ? 2 : (r == 2 ? 1 : 0);
        reply += "+ZQDEVICE: " + QByteArray::number(r) + "," + QByteArray::number(code) + "," +
                 (code ? QByteArray::number(r + 10) : QByteArray("0")) + "\r\n";
    }
    reply += "\r\nOK\r\n";
    form.setCell(FormGrid::Meters, 1, 3, QStringLiteral("КВАРН"));
    parse(12, reply.constData());
    EXPECT_EQ(form.cell(FormGrid::Meters, 1, 1), meterTypeName(2));
    EXPECT_EQ(form.cell(FormGrid::Meters, 2, 1), QStringLiteral("11"));
    EXPECT_EQ(form.cell(FormGrid::Meters, 1, 2), meterTypeName(1));
    EXPECT_EQ(form.cell(FormGrid::Meters, 1, 3), QString());  // code 0: empty type
    EXPECT_EQ(form.cell(FormGrid::Meters, 2, 32), QStringLiteral("0"));
}

TEST_F(ParseRules, BadTypeCodeLeavesOnlyTheTypeCell) {
    const QString kept = *meterTypeName(1);
    form.setCell(FormGrid::Meters, 1, 1, kept);
    form.setCell(FormGrid::Meters, 1, 2, kept);
    parse(12, "\r\n+ZQDEVICE: 1,x,17\r\n+ZQDEVICE: 2,3,18\r\n+ZQDEVICE: 3,2,19\r\n");
    EXPECT_EQ(form.cell(FormGrid::Meters, 1, 1), kept);
    EXPECT_EQ(form.cell(FormGrid::Meters, 2, 1), QStringLiteral("17"));
    EXPECT_EQ(form.cell(FormGrid::Meters, 1, 2), kept);
    EXPECT_EQ(form.cell(FormGrid::Meters, 2, 2), QStringLiteral("18"));
    EXPECT_EQ(form.cell(FormGrid::Meters, 1, 3), meterTypeName(2));
}

TEST_F(ParseRules, AlarmNumbers) {
    parse(14, "\r\n+ZQERRSMS: 1,1,9161112233\r\n+ZQERRSMS: 2,0,\r\n\r\nOK\r\n");
    EXPECT_EQ(form.cell(FormGrid::AlarmNumbers, 1, 1), QStringLiteral("9161112233"));
    EXPECT_EQ(form.cell(FormGrid::AlarmNumbers, 1, 2), QString());
}

TEST_F(ParseRules, Gprs2PeriodIsTheSwitch) {
    parse(15, "\r\n+ZQGPRS2: 30,2\r\n\r\nOK\r\n");
    EXPECT_TRUE(form.isChecked(FormCheck::Gprs2Enabled));
    EXPECT_TRUE(form.isEnabled(FormField::Gprs2Period));
    EXPECT_EQ(form.text(FormField::Gprs2Period), QStringLiteral("30"));
    EXPECT_EQ(form.gprs2Server(), 2);

    parse(15, "\r\n+ZQGPRS2: 0,4\r\n\r\nOK\r\n");
    EXPECT_FALSE(form.isChecked(FormCheck::Gprs2Enabled));
    EXPECT_FALSE(form.isEnabled(FormField::Gprs2Period));
    EXPECT_EQ(form.text(FormField::Gprs2Period), QStringLiteral("30"));  // kept
    EXPECT_EQ(form.gprs2Server(), 2);

    parse(15, "\r\n+ZQGPRS2: 045\r\n\r\nOK\r\n");  // no comma: the number ends at the line end
    EXPECT_TRUE(form.isChecked(FormCheck::Gprs2Enabled));
    EXPECT_EQ(form.text(FormField::Gprs2Period), QStringLiteral("45"));
    EXPECT_EQ(form.gprs2Server(), 2);  // nothing after the line end is a number
}

TEST_F(ParseRules, Gprs2FaultyNumbersChangeNothingOfTheirOwn) {
    form.setText(FormField::Gprs2Period, QStringLiteral("15"));
    form.setGprs2Server(3);
    parse(15, "\r\n+ZQGPRS2: abc,2\r\n");
    EXPECT_FALSE(form.isChecked(FormCheck::Gprs2Enabled));
    EXPECT_EQ(form.text(FormField::Gprs2Period), QStringLiteral("15"));
    parse(15, "\r\n+ZQGPRS2: 20,x\r\n");
    EXPECT_TRUE(form.isChecked(FormCheck::Gprs2Enabled));
    EXPECT_EQ(form.text(FormField::Gprs2Period), QStringLiteral("20"));
    EXPECT_EQ(form.gprs2Server(), 3);
    parse(15, "\r\n+ZQGPRS2: 20,9\r\n");  // the spin box keeps 1..5
    EXPECT_EQ(form.gprs2Server(), 5);
}

TEST_F(ParseRules, Gprs3FlagMustBeOne) {
    parse(16, "\r\n+ZQGPRS3: 1,10.0.0.1,502\r\n\r\nOK\r\n");
    EXPECT_TRUE(form.isChecked(FormCheck::Gprs3Enabled));
    EXPECT_EQ(form.text(FormField::Gprs3Address), QStringLiteral("10 .0  .0  .1  "));
    EXPECT_EQ(form.text(FormField::Gprs3Port), QStringLiteral("502"));

    parse(16, "\r\n+ZQGPRS3: 2,10.0.0.9,503\r\n\r\nOK\r\n");
    EXPECT_FALSE(form.isChecked(FormCheck::Gprs3Enabled));
    EXPECT_FALSE(form.isEnabled(FormField::Gprs3Port));
    EXPECT_EQ(form.text(FormField::Gprs3Port), QStringLiteral("502"));

    parse(16, "\r\n+ZQGPRS3: 1,10.0.0.2,0503x\r\n");  // port not a number: kept
    EXPECT_TRUE(form.isChecked(FormCheck::Gprs3Enabled));
    EXPECT_EQ(form.text(FormField::Gprs3Address), QStringLiteral("10 .0  .0  .2  "));
    EXPECT_EQ(form.text(FormField::Gprs3Port), QStringLiteral("502"));
    parse(16, "\r\n+ZQGPRS3: 1,10.0.0.2,0503\r\n");  // written back in decimal
    EXPECT_EQ(form.text(FormField::Gprs3Port), QStringLiteral("503"));

    parse(16, "\r\n+ZQGPRS3: on,1.2.3.4,5\r\n");  // faulty flag: the variant stays as it was
    EXPECT_TRUE(form.isChecked(FormCheck::Gprs3Enabled));
}

// A reply that is damaged or cut short yields empty texts or leftovers for
// the fields of its own rule; it never crashes and never reaches the fields of
// another query.
TEST_F(ParseRules, DamagedRepliesStayInsideTheirRule) {
    MemoryConfigForm reference;
    numberRows(reference);
    const QStringList damaged = {
        QString(),
        QStringLiteral("\r\n"),
        QStringLiteral(":"),
        QStringLiteral(",,,,,"),
        QStringLiteral("\r\n+ZQ"),
        QStringLiteral("\r\nERROR\r\n"),
        QString(900, QLatin1Char(',')),
        QStringLiteral("\r\n+ZQX: 1,2\r"),
        QString(1000, QLatin1Char(':')),
    };
    for (int index = 0; index < kQueryCount; ++index) {
        for (const QString& reply : damaged) {
            MemoryConfigForm f;
            numberRows(f);
            f.setChecked(FormCheck::Gprs2Enabled, true);
            f.setChecked(FormCheck::Gprs3Enabled, true);
            parseQueryReply(index, reply, f);
            // Fields of other rules keep their values.
            EXPECT_TRUE(index == 15 || f.isChecked(FormCheck::Gprs2Enabled));
            EXPECT_TRUE(index == 16 || f.isChecked(FormCheck::Gprs3Enabled));
            EXPECT_TRUE(index == 3 ||
                        f.text(FormField::SimPin) == reference.text(FormField::SimPin));
            for (int r = 1; r <= 32; ++r) {
                EXPECT_EQ(f.cell(FormGrid::Meters, 0, r), QString::number(r));
                EXPECT_TRUE(index == 12 || f.cell(FormGrid::Meters, 2, r).isEmpty());
            }
        }
    }
    parseQueryReply(17, QStringLiteral("+ZQX: 1"), form);  // outside the table: nothing
    parseQueryReply(-1, QStringLiteral("+ZQX: 1"), form);
}

}  // namespace
}  // namespace korvel
