// The settings file is written by the program's own INI code on Windows too;
// Windows' profile functions must read it the same way, and a file written by
// them must read back through ours.
#include <windows.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "config_test_support.h"
#include "configuration/ini_file.h"
#include "sample_configuration.h"
#include "configuration/settings_store.h"

namespace korvel {
namespace {

std::string profileString(const std::string& section, const std::string& key,
                          const std::string& file) {
    char buffer[4096] = {};
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "\x01missing", buffer, sizeof buffer,
                             file.c_str());
    return buffer;
}

TEST(ProfileInterop, WindowsReadsEveryKeyOurSaveWrote) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("korvel-configurator.INI"));
    MemoryConfigForm form;
    test::numberRows(form);
    test::fillSampleConfiguration(form);
    ASSERT_TRUE(saveSettings(path, form).written);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string native = QDir::toNativeSeparators(path).toLocal8Bit().toStdString();
    std::string section;
    int checked = 0;
    for (QByteArray line : file.readAll().split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2).toStdString();
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0) continue;
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1);
        if (value != value.trimmed()) continue;  // Windows trims, our rules keep blanks
        EXPECT_EQ(profileString(section, key.toStdString(), native), value.toStdString())
            << section << "/" << key.toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 100);
}

TEST(ProfileInterop, OurCodeReadsWhatWindowsWrote) {
    QTemporaryDir dir;
    const std::string native =
        QDir::toNativeSeparators(dir.filePath(QStringLiteral("written.INI"))).toLocal8Bit().toStdString();
    const QString pin = QStringLiteral("1234");
    const QString name = QStringLiteral("Меркурий-230 №5");
    const QString folder = QStringLiteral("C:\\Прошивки\\Ёлка");
    ASSERT_TRUE(WritePrivateProfileStringA("Config", "PIN", "1234", native.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Device", "TYPE1", toDeviceBytes(name).constData(),
                                           native.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Produce", "FW_FOLDER", toDeviceBytes(folder).constData(),
                                           native.c_str()));
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, native.c_str());  // flush

    QFile file(QString::fromLocal8Bit(native.c_str()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const IniFile ini = IniFile::fromBytes(file.readAll());
    EXPECT_EQ(ini.readString(QStringLiteral("Config"), QStringLiteral("PIN")), pin);
    EXPECT_EQ(ini.readString(QStringLiteral("Device"), QStringLiteral("TYPE1")), name);
    EXPECT_EQ(ini.readString(QStringLiteral("Produce"), QStringLiteral("FW_FOLDER")), folder);
}

}  // namespace
}  // namespace korvel
