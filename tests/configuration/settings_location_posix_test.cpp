// Where the settings file goes when the folder beside the executable cannot be
// written: cases that need POSIX permissions and file systems.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <unistd.h>

#include "file_bytes.h"
#include "configuration/settings_location.h"

namespace korvel {
namespace {



TEST(SettingsLocation, UnwritableFolderEvenForRootUsesTheUserFolder) {
    QTemporaryDir user;
    EXPECT_EQ(resolveSettingsPath("/proc/korvel-configurator", user.filePath("cfg")),
              user.filePath("cfg/korvel-configurator.INI"));
    EXPECT_TRUE(QDir(user.filePath("cfg")).exists());
}

// The package's program in /usr/bin, started by root who could write there.
TEST(SettingsLocation, SystemProgramFolderUsesTheUserFolderEvenForRoot) {
    QTemporaryDir user;
    for (const char* exe : {"/usr/bin/korvel-configurator", "/usr/local/bin/korvel-configurator"})
        EXPECT_EQ(resolveSettingsPath(QString::fromLatin1(exe), user.path()),
                  user.filePath("korvel-configurator.INI")) << exe;
}

TEST(SettingsLocation, ReadOnlyFolderUsesTheUserFolderAndTakesTheOldFileOnce) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    QTemporaryDir bin, user;
    test::writeFileBytes(bin.filePath("korvel-configurator.INI"), "[Config]\nPIN=1234\n");
    QFile::setPermissions(bin.path(), QFile::ReadOwner | QFile::ExeOwner);
    const QString path = resolveSettingsPath(bin.filePath("korvel-configurator"), user.filePath("korvel"));
    EXPECT_EQ(path, user.filePath("korvel/korvel-configurator.INI"));
    EXPECT_EQ(test::readFileBytes(path), QByteArray("[Config]\nPIN=1234\n"));
    // Taken over once: the user's own later changes are kept.
    test::writeFileBytes(path, "[Config]\nPIN=9999\n");
    resolveSettingsPath(bin.filePath("korvel-configurator"), user.filePath("korvel"));
    EXPECT_EQ(test::readFileBytes(path), QByteArray("[Config]\nPIN=9999\n"));
    QFile::setPermissions(bin.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace
}  // namespace korvel
