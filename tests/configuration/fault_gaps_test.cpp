// Faults that slipped through earlier tests: a short echo followed by a
// refusal, a NUL inside a reply, hexadecimal settings with letters, and a
// settings save whose final write fails.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "device_link/at_dialogue.h"
#include "configuration/config_parse.h"
#include "configuration/ini_file.h"
#include "configuration/memory_config_form.h"
#include "recording_host.h"
#include "device_link/serial/scripted_serial_port.h"
#include "configuration/settings_store.h"
#include "device_link/text_codec.h"

namespace korvel {
namespace {

TEST(FaultGaps, ShortEchoDoesNotSwallowTheRefusalThatFollows) {
    ScriptedSerialPort port;
    port.open("x");
    test::RecordingHost host;
    AtDialogue at(port, host, Timeouts{500, 0, 0, 0, 500});
    port.queueRead("AT\r\n\r\nOK\r\n");  // echoing device
    ASSERT_TRUE(at.echoTest());
    port.queueRead("AT+ZQ");              // the echo stops short, then a 500 ms gap
    port.queueRead("\r\nERROR\r\n");
    EXPECT_FALSE(at.commandStep({QByteArrayLiteral("AT+ZQPIN=1234\r\n")}, "AT+ZQPIN=1234", nullptr)
                     .passed());
    EXPECT_EQ(host.boxes(), QList<Box>{box::ConfigurationError});
}

TEST(FaultGaps, NulInsideAReplyCutsTheText) {
    const QByteArray reply("\r\n+ZQAPN: inet\0\x01garbage\r\n", 24);
    EXPECT_EQ(replyText(reply), QStringLiteral("\r\n+ZQAPN: inet"));
}

TEST(FaultGaps, HexadecimalValuesWithLettersReadAsNumbers) {
    EXPECT_EQ(IniFile::parseInt("0xff"), 255);
    EXPECT_EQ(IniFile::parseInt("0XFF"), 255);
    EXPECT_EQ(IniFile::parseInt("0x1F"), 31);
    EXPECT_FALSE(IniFile::parseInt("0xfg").has_value());
}

TEST(FaultGaps, FailedFinalWriteOfTheSettingsIsReported) {
    // The file's place is taken by a folder: the replace at the end fails.
    QTemporaryDir dir;
    const QString path = dir.filePath("korvel.INI");
    ASSERT_TRUE(QDir().mkpath(path + "/inside"));
    MemoryConfigForm form;
    const SaveSettingsResult result = saveSettings(path, form);
    EXPECT_FALSE(result.written);
    EXPECT_FALSE(result.reason.isEmpty());
    EXPECT_TRUE(QFileInfo(path + "/inside").isDir());
}

}  // namespace
}  // namespace korvel
