#include "file_bytes.h"
#include "configuration/settings_store.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include "platform_facts.h"
#include "device_link/text_codec.h"
#include <QTemporaryDir>

#include "configuration/memory_config_form.h"

namespace korvel {
namespace {

QByteArray cp1251(const QString& s) {
    return toDeviceBytes(s);
}

class SettingsStore : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("korvel.INI")); }
    MemoryConfigForm loaded(const QByteArray& content) {
        test::writeFileBytes(path(), content);
        MemoryConfigForm form;
        loadSettings(path(), form);
        return form;
    }
};

TEST(SettingsFilePath, ReplacesOrAppendsTheExtension) {
    EXPECT_EQ(settingsFilePath("C:\\Prog\\configurator.exe"), "C:\\Prog\\configurator.INI");
    EXPECT_EQ(settingsFilePath("/opt/korvel/configurator"), "/opt/korvel/configurator.INI");
    EXPECT_EQ(settingsFilePath("/opt/korvel.d/configurator"), "/opt/korvel.d/configurator.INI");
    EXPECT_EQ(settingsFilePath("/opt/a.b.exe"), "/opt/a.b.INI");
}

TEST_F(SettingsStore, FirstStartWithoutFileGivesDefaults) {
    MemoryConfigForm form;
    loadSettings(path(), form);
    EXPECT_EQ(form.text(FormField::SimTelephone), QString(10, u' '));
    EXPECT_EQ(form.text(FormField::SimPin), QString(4, u' '));
    EXPECT_EQ(form.text(FormField::Gprs3Address), "   .   .   .   ");
    EXPECT_EQ(form.text(FormField::GprsAccessPoint), "");
    EXPECT_EQ(form.text(FormField::SmsPassword), "5729");
    EXPECT_EQ(form.text(FormField::BalancePeriod), "10");
    EXPECT_EQ(form.text(FormField::BalanceThreshold), "10");
    EXPECT_EQ(form.gprs2Server(), 1);
    EXPECT_FALSE(form.isChecked(FormCheck::Gprs2Enabled));
    EXPECT_FALSE(form.isChecked(FormCheck::Gprs3Enabled));
    EXPECT_FALSE(form.isEnabled(FormField::Gprs2Period));
    EXPECT_FALSE(form.isLabelEnabled(FormLabel::Gprs3AddressLabel));
    EXPECT_FALSE(form.isEnabled(FormField::Gprs3Port));
    EXPECT_EQ(form.cell(FormGrid::Servers, 0, 5), "5");
    EXPECT_EQ(form.cell(FormGrid::Meters, 0, 32), "32");
    EXPECT_EQ(form.cell(FormGrid::AlarmNumbers, 0, 2), "2");
    EXPECT_FALSE(QFile::exists(path()));  // loading never creates the file
    ASSERT_TRUE(saveSettings(path(), form).written);
    EXPECT_EQ(wireLogSetting(path()), "");  // no wire log unless asked for
    EXPECT_FALSE(test::readFileBytes(path()).contains("[Support]"));
}

TEST_F(SettingsStore, EveryKeyRoundTripsByteExact) {
    MemoryConfigForm form;
    form.setText(FormField::SimPin, "12");
    form.setText(FormField::SimTelephone, "9123456789");
    form.setText(FormField::ObjectDescription, QStringLiteral("Котельная"));
    form.setText(FormField::GprsAccessPoint, "internet");
    form.setText(FormField::GprsLogin, "gdata");
    form.setText(FormField::GprsPassword, "pw");
    form.setCell(FormGrid::Servers, 1, 1, "9001234567");
    form.setCell(FormGrid::Servers, 2, 1, "10 .0  .0  .1  ");
    form.setCell(FormGrid::Servers, 3, 1, "5000 ");
    form.setCell(FormGrid::Servers, 4, 5, QStringLiteral("Резерв"));
    form.setChecked(FormCheck::Gprs2Enabled, true);
    form.setText(FormField::Gprs2Period, "60");
    form.setGprs2Server(3);
    form.setText(FormField::Gprs3Address, "192.168.1.1");
    form.setText(FormField::Gprs3Port, "4001");
    form.setText(FormField::BalanceUssd, "*100#");
    form.setText(FormField::BalancePeriod, "+030");
    form.setText(FormField::BalanceThreshold, "-5");
    form.setText(FormField::SmsPassword, "5729");
    form.setText(FormField::Rs485Speed, "9600");
    form.setCell(FormGrid::Meters, 1, 1, QStringLiteral("КВАРН"));
    form.setCell(FormGrid::Meters, 2, 1, "17");
    form.setCell(FormGrid::Meters, 1, 32, QStringLiteral("ОРТИС-12"));
    form.setCell(FormGrid::AlarmNumbers, 1, 2, "9000000001");
    form.setText(FormField::FirmwareFolder, QStringLiteral("C:\\Прошивки"));
    form.setText(FormField::ProductionSerialNumber, "00001234");

    QString expected =
        "[Config]\r\nPIN=12  \r\nTEL=9123456789\r\nABOUT=Котельная\r\nAPN=internet\r\n"
        "LOGIN=gdata\r\nPASS=pw\r\nSMSPASS=5729\r\n"
        "[Server]\r\nTEL1=9001234567\r\nIP1=10 .0  .0  .1  \r\nPORT1=5000 \r\nABOUT1=\r\n"
        "TEL2=\r\nIP2=\r\nPORT2=\r\nABOUT2=\r\nTEL3=\r\nIP3=\r\nPORT3=\r\nABOUT3=\r\n"
        "TEL4=\r\nIP4=\r\nPORT4=\r\nABOUT4=\r\nTEL5=\r\nIP5=\r\nPORT5=\r\nABOUT5=Резерв\r\n"
        "[GPRS2]\r\nACTIVE=1\r\nPERIOD=60\r\nSERVER=3\r\n"
        "[GPRS3]\r\nACTIVE=0\r\nIP=192.168.1  .1  \r\nPORT=4001\r\n"
        "[Balance]\r\nUSSD=*100#\r\nPERIOD=30\r\nLEVEL=-5\r\nALARMTEL=          \r\n"
        "[Port]\r\nSPEED=9600\r\n"
        "[Device]\r\nTYPE1=КВАРН\r\nADDRESS1=17\r\n";
    for (int row = 2; row <= 31; ++row)
        expected += QStringLiteral("TYPE%1=\r\nADDRESS%1=\r\n").arg(row);
    expected +=
        "TYPE32=ОРТИС-12\r\nADDRESS32=\r\n"
        "[SMS]\r\nTEL1=\r\nTEL2=9000000001\r\n"
        "[Produce]\r\nFW_FOLDER=C:\\Прошивки\r\nLAST_SERIAL=00001234\r\n";

    const SaveSettingsResult result = saveSettings(path(), form);
    ASSERT_TRUE(result.written) << result.reason.toStdString();
    EXPECT_EQ(test::readFileBytes(path()), cp1251(expected));
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    if (test::permissionBitsApply()) {
        EXPECT_FALSE(QFile::permissions(path()) & others);  // it holds passwords
    }
    EXPECT_TRUE(QFile::permissions(path()) & QFileDevice::WriteOwner);

    MemoryConfigForm back;
    loadSettings(path(), back);
    for (FormField f : {FormField::SimPin, FormField::SimTelephone, FormField::ObjectDescription,
                        FormField::Gprs2Period, FormField::Gprs3Address, FormField::BalanceAlarmTelephone,
                        FormField::FirmwareFolder, FormField::ProductionSerialNumber}) {
        EXPECT_EQ(back.text(f), form.text(f)) << static_cast<int>(f);
    }
    EXPECT_EQ(back.text(FormField::BalancePeriod), "30");
    EXPECT_TRUE(back.isChecked(FormCheck::Gprs2Enabled));
    EXPECT_TRUE(back.isEnabled(FormField::Gprs2Period));
    EXPECT_EQ(back.gprs2Server(), 3);
    EXPECT_EQ(back.cell(FormGrid::Meters, 1, 32), form.cell(FormGrid::Meters, 1, 32));
    // Cells take the text unmasked, so they come back trimmed.
    EXPECT_EQ(back.cell(FormGrid::Servers, 2, 1), "10 .0  .0  .1");
    EXPECT_EQ(back.cell(FormGrid::Servers, 3, 1), "5000");

    // Saving what was loaded changes nothing but the trimmed cells.
    back.setCell(FormGrid::Servers, 2, 1, "10 .0  .0  .1  ");
    back.setCell(FormGrid::Servers, 3, 1, "5000 ");
    ASSERT_TRUE(saveSettings(path(), back).written);
    EXPECT_EQ(test::readFileBytes(path()), cp1251(expected));
}

TEST_F(SettingsStore, NumbersAndFlagsReadAsProfileIntegers) {
    const MemoryConfigForm form = loaded(
        "[gprs2]\nactive=5\nServer=9\n[GPRS3]\nACTIVE=abc\nip=10.0.0.1\n"
        "[BALANCE]\nPERIOD=0x1E\nLEVEL=abc\n[Config]\nsmspass=\n");
    EXPECT_TRUE(form.isChecked(FormCheck::Gprs2Enabled));
    EXPECT_TRUE(form.isLabelEnabled(FormLabel::Gprs2ServerLabel));
    EXPECT_EQ(form.gprs2Server(), 5);
    EXPECT_FALSE(form.isChecked(FormCheck::Gprs3Enabled));
    EXPECT_EQ(form.text(FormField::Gprs3Address), "10 .0  .0  .1  ");
    EXPECT_EQ(form.text(FormField::BalancePeriod), "30");
    EXPECT_EQ(form.text(FormField::BalanceThreshold), "10");
    EXPECT_EQ(form.text(FormField::SmsPassword), "    ");  // present but empty: no default
}

TEST_F(SettingsStore, ExistingFileKeepsItsLayoutAndForeignContent) {
    // A file as the Windows program leaves it, then edited by hand.
    QByteArray original = cp1251(
        "; настройки\r\n[Produce]\r\nLAST_SERIAL=00000007\r\nFW_FOLDER=C:\\FW\r\n\r\n"
        "[Extra]\r\nKEEP=me\r\n[Config]\r\nPIN=1234\r\nTEL=9123456789\r\nFUTURE=x\r\n"
        "[Support]\r\nWIRE_LOG=C:\\Logs\\wire.txt\r\n");
    MemoryConfigForm form = loaded(original);
    EXPECT_EQ(wireLogSetting(path()), "C:\\Logs\\wire.txt");
    ASSERT_TRUE(saveSettings(path(), form).written);
    const QByteArray saved = test::readFileBytes(path());
    EXPECT_TRUE(saved.startsWith(original.left(original.indexOf("PIN="))));
    EXPECT_TRUE(saved.contains("PIN=1234\r\nTEL=9123456789\r\nFUTURE=x\r\nABOUT=\r\n"));
    EXPECT_TRUE(saved.contains("[Extra]\r\nKEEP=me\r\n"));
    EXPECT_TRUE(saved.contains("[Support]\r\nWIRE_LOG=C:\\Logs\\wire.txt\r\n"));
    EXPECT_EQ(saved.count("[Produce]"), 1);

    // A second save of the same values is byte for byte the same file.
    MemoryConfigForm again;
    loadSettings(path(), again);
    QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ReadGroup | QFileDevice::ReadOther);
    ASSERT_TRUE(saveSettings(path(), again).written);
    EXPECT_EQ(test::readFileBytes(path()), saved);
    EXPECT_TRUE(QFile::permissions(path()) & QFileDevice::ReadOther);  // kept as it was
}

TEST_F(SettingsStore, BalanceNumberThatIsNoIntegerKeepsOnlyItsOwnKey) {
    MemoryConfigForm form =
        loaded("[Balance]\r\nPERIOD=20\r\nLEVEL=20\r\n[Config]\r\nSMSPASS=1111\r\n");
    form.setText(FormField::BalancePeriod, "");
    form.setText(FormField::BalanceThreshold, "15");
    form.setText(FormField::SmsPassword, "4321");
    form.setText(FormField::ProductionSerialNumber, "12345678");
    ASSERT_TRUE(saveSettings(path(), form).written);

    MemoryConfigForm back;
    loadSettings(path(), back);
    EXPECT_EQ(back.text(FormField::BalancePeriod), "20");
    EXPECT_EQ(back.text(FormField::BalanceThreshold), "15");
    EXPECT_EQ(back.text(FormField::SmsPassword), "4321");
    EXPECT_EQ(back.text(FormField::ProductionSerialNumber), "12345678");

    // " 30" and "3.5" are not decimal integers either; a new file then has no PERIOD.
    QFile::remove(path());
    form.setText(FormField::BalancePeriod, " 30");
    form.setText(FormField::BalanceThreshold, "3.5");
    ASSERT_TRUE(saveSettings(path(), form).written);
    const QByteArray saved = test::readFileBytes(path());
    EXPECT_FALSE(saved.contains("PERIOD=3"));
    EXPECT_FALSE(saved.contains("LEVEL="));
    EXPECT_TRUE(saved.contains("LAST_SERIAL=12345678"));
}

TEST_F(SettingsStore, UnwritablePlaceReportsTheFile) {
    MemoryConfigForm form;
    // Permission bits do not stop root, so the places are made impossible instead.
    test::writeFileBytes(dir.filePath("plain"), "x");
    const QString underFile = dir.filePath("plain/korvel.INI");
    SaveSettingsResult result = saveSettings(underFile, form);
    EXPECT_FALSE(result.written);
    EXPECT_EQ(result.path, underFile);

    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.INI"));
    result = saveSettings(dir.filePath("folder.INI"), form);
    EXPECT_FALSE(result.written);
    EXPECT_FALSE(result.reason.isEmpty());
    EXPECT_EQ(result.path, dir.filePath("folder.INI"));
    EXPECT_TRUE(QFileInfo(dir.filePath("folder.INI")).isDir());
}

}  // namespace
}  // namespace korvel
