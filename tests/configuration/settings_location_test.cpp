// Where the settings file goes: beside the executable when that folder can be
// written and is no installed copy, else the user's folder, taking over an
// existing file once.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "file_bytes.h"
#include "configuration/settings_location.h"

namespace korvel {
namespace {

TEST(SettingsLocation, BesideAWritableExecutable) {
    QTemporaryDir bin, user;
    EXPECT_EQ(resolveSettingsPath(bin.filePath("korvel-configurator"), user.path()),
              bin.filePath("korvel-configurator.INI"));
    EXPECT_TRUE(QDir(user.path()).entryList(QDir::Files).isEmpty());
}

TEST(SettingsLocation, InstalledCopyUsesTheUserFolderEvenWhenItsFolderIsWritable) {
    QTemporaryDir bin, user;
    test::writeFileBytes(bin.filePath(kInstalledMarkName), "installed\r\n");
    test::writeFileBytes(bin.filePath("korvel-configurator.INI"), "[Config]\nPIN=1234\n");
    const QString path = resolveSettingsPath(bin.filePath("korvel-configurator.exe"), user.filePath("KORVEL"));
    EXPECT_EQ(path, user.filePath("KORVEL/korvel-configurator.INI"));
    EXPECT_EQ(test::readFileBytes(path), QByteArray("[Config]\nPIN=1234\n"));
}

}  // namespace
}  // namespace korvel
