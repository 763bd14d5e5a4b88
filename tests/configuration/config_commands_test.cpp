// The bytes and log lines of the configuration commands, built from a form.
#include "configuration/config_commands.h"

#include <gtest/gtest.h>

#include "config_test_support.h"

namespace korvel {
namespace {

using test::numberRows;

QByteArray joined(const Pieces& pieces) {
    QByteArray out;
    for (const QByteArray& p : pieces) out += p;
    return out;
}

Pieces bytes(std::initializer_list<const char*> list) {
    Pieces out;
    for (const char* p : list) out.push_back(QByteArray(p));
    return out;
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override { numberRows(form); }
    MemoryConfigForm form;
};

TEST_F(Commands, ValuesAreSentInWindows1251) {
    form.setText(FormField::GprsLogin, QStringLiteral("Пётр"));
    const ConfigCommand user = userCommand(form);
    EXPECT_EQ(user.pieces.at(1), QByteArray("\xcf\xb8\xf2\xf0"));
    EXPECT_EQ(user.logLine, "AT+ZQUSER=" + form.text(FormField::GprsLogin));
}

TEST_F(Commands, ControlCharactersNeverReachTheDevice) {
    form.setText(FormField::GprsPassword, QStringLiteral("pa\r\nss\tw\x01"));
    form.setText(FormField::BalanceUssd, QStringLiteral("*100#\r\nAT+ZQSAVE"));
    const ConfigCommand pass = passCommand(form);
    EXPECT_EQ(pass.pieces, bytes({"AT+ZQPASS=", "passw", "\r\n"}));
    EXPECT_EQ(pass.logLine, QStringLiteral("AT+ZQPASS=passw"));
    EXPECT_EQ(joined(balanceCommand(form).pieces),
              QByteArray("AT+ZQBALANCE=*100#AT+ZQSAVE,,,          \r\n"));
    EXPECT_EQ(commandValue(QStringLiteral("a\u0085b\u007fc d")), QStringLiteral("abc d"));
}

TEST_F(Commands, ServerRowInUse) {
    const FormGrid g = FormGrid::Servers;
    form.setCell(g, 1, 1, QStringLiteral("9161234567"));
    form.setCell(g, 2, 1, QStringLiteral("10.0.0.1"));
    form.setCell(g, 3, 1, QStringLiteral("502"));
    form.setCell(g, 4, 1, QStringLiteral("main server of the region"));  // 25 characters
    const ConfigCommand c = serverCommand(form, 1);
    EXPECT_EQ(c.pieces, bytes({"AT+ZQSERVER=", "1", ",1,", "9161234567", ",", "10.0.0.1", ",",
                               "502", ",", "main_server_of_the_r", "\r\n"}));
    EXPECT_EQ(c.logLine,
              QStringLiteral("AT+ZQSERVER=1,1,9161234567,10.0.0.1,502,main_server_of_the_region"));

    // The cut counts bytes of the device's code page.
    form.setCell(g, 4, 1, QStringLiteral("Главный сервер области"));
    const QByteArray description = serverCommand(form, 1).pieces.at(9);
    EXPECT_EQ(description.size(), kServerDescriptionBytes);
    EXPECT_EQ(description, QByteArray("\xc3\xeb\xe0\xe2\xed\xfb\xe9_\xf1\xe5\xf0\xe2\xe5\xf0_"
                                      "\xee\xe1\xeb\xe0\xf1"));
}

TEST_F(Commands, ServerRowNotInUse) {
    const FormGrid g = FormGrid::Servers;
    form.setCell(g, 1, 3, QString(10, QLatin1Char(' ')));
    form.setCell(g, 2, 3, QStringLiteral("10.0.0.3"));
    form.setCell(g, 4, 3, QStringLiteral("spare"));
    const ConfigCommand c = serverCommand(form, 3);
    EXPECT_EQ(c.pieces, bytes({"AT+ZQSERVER=", "3", ",0,", ",", ",", ",", "\r\n"}));
    EXPECT_EQ(c.logLine, QStringLiteral("AT+ZQSERVER=3,0,,,,"));
    form.setCell(g, 1, 3, QString(9, QLatin1Char(' ')));  // nine blanks are a telephone
    EXPECT_TRUE(serverRowInUse(form, 3));
}

TEST_F(Commands, DeviceRows) {
    const FormGrid g = FormGrid::Meters;
    form.setCell(g, 1, 4, QStringLiteral("КВАРН"));
    form.setCell(g, 2, 4, QStringLiteral("17"));
    ConfigCommand c = deviceCommand(form, 4);
    EXPECT_EQ(c.pieces, bytes({"AT+ZQDEVICE=", "4", ",", "1", ",", "17", "\r\n"}));
    EXPECT_EQ(c.logLine, "AT+ZQDEVICE=4," + form.cell(g, 1, 4) + ",17");  // the name as shown

    form.setCell(g, 1, 12, QStringLiteral("ОРТИС-12"));
    EXPECT_EQ(joined(deviceCommand(form, 12).pieces), QByteArray("AT+ZQDEVICE=12,2,\r\n"));
    form.setCell(g, 1, 13, QStringLiteral("Меркурий"));
    c = deviceCommand(form, 13);
    EXPECT_EQ(joined(c.pieces), QByteArray("AT+ZQDEVICE=13,0,\r\n"));
    EXPECT_EQ(c.logLine, "AT+ZQDEVICE=13," + form.cell(g, 1, 13) + ",");

    form.setCell(g, 2, 7, QStringLiteral("99"));  // an address without a type is not in use
    c = deviceCommand(form, 7);
    EXPECT_EQ(c.pieces, bytes({"AT+ZQDEVICE=", "7", ",", "0", ",", "0", "\r\n"}));
    EXPECT_EQ(c.logLine, QStringLiteral("AT+ZQDEVICE=7,0,0"));
}

TEST_F(Commands, AlarmRows) {
    form.setCell(FormGrid::AlarmNumbers, 1, 1, QStringLiteral("9161112233"));
    ConfigCommand c = alarmCommand(form, 1);
    EXPECT_EQ(c.pieces, bytes({"AT+ZQERRSMS=", "1", ",1,", "9161112233", "\r\n"}));
    EXPECT_EQ(c.logLine, QStringLiteral("AT+ZQERRSMS=1,1,9161112233"));
    c = alarmCommand(form, 2);
    EXPECT_EQ(c.pieces, bytes({"AT+ZQERRSMS=", "2", ",0,", "\r\n"}));
    EXPECT_EQ(c.logLine, QStringLiteral("AT+ZQERRSMS=2,0,"));
}

TEST_F(Commands, GprsVariants) {
    EXPECT_EQ(gprs2Command(form).pieces, bytes({"AT+ZQGPRS2=", "0", "\r\n"}));
    EXPECT_EQ(gprs3Command(form).logLine, QStringLiteral("AT+ZQGPRS3=0"));

    form.setChecked(FormCheck::Gprs2Enabled, true);
    form.setText(FormField::Gprs2Period, QStringLiteral("30"));
    form.setGprs2Server(2);
    EXPECT_EQ(gprs2Command(form).pieces, bytes({"AT+ZQGPRS2=", "30", ",", "2", "\r\n"}));
    EXPECT_EQ(gprs2Command(form).logLine, QStringLiteral("AT+ZQGPRS2=30,2"));

    form.setChecked(FormCheck::Gprs3Enabled, true);
    form.setText(FormField::Gprs3Address, QStringLiteral("10.0.0.1"));
    form.setText(FormField::Gprs3Port, QStringLiteral("502"));
    EXPECT_EQ(gprs3Command(form).pieces,
              bytes({"AT+ZQGPRS3=", "1,", "10 .0  .0  .1  ", ",", "502", "\r\n"}));
    EXPECT_EQ(gprs3Command(form).logLine, QStringLiteral("AT+ZQGPRS3=1,10 .0  .0  .1  ,502"));
}

}  // namespace
}  // namespace korvel
