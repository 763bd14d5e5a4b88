// Where the settings file goes on Windows: %APPDATA%\KORVEL when the folder
// beside the program cannot be written (C:\Program Files for a user).
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "configuration/settings_location.h"

namespace korvel {
namespace {

TEST(WindowsSettingsLocation, UserFolderIsKorvelUnderAppData) {
    const QString appData = qEnvironmentVariable("APPDATA");
    ASSERT_FALSE(appData.isEmpty());
    EXPECT_EQ(QDir::cleanPath(userSettingsFolder()),
              QDir::cleanPath(QDir::fromNativeSeparators(appData) + QStringLiteral("/KORVEL")));
}

TEST(WindowsSettingsLocation, FolderThatCannotBeWrittenSendsTheFileToTheUserFolder) {
    QTemporaryDir user;
    const QString program = QStringLiteral("Q:/no-such-drive/KORVEL/korvel-configurator.exe");
    const QString path = resolveSettingsPath(program, user.filePath(QStringLiteral("KORVEL")));
    EXPECT_EQ(path, user.filePath(QStringLiteral("KORVEL/korvel-configurator.INI")));
    EXPECT_TRUE(QFileInfo(user.filePath(QStringLiteral("KORVEL"))).isDir());
}

}  // namespace
}  // namespace korvel
