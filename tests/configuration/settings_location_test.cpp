// Where the settings file goes: beside the executable when that folder can be
// written, else the user's folder, taking over an existing file once.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "settings_location.h"

namespace korvel {
namespace {

TEST(SettingsLocation, BesideAWritableExecutable) {
    QTemporaryDir bin, user;
    EXPECT_EQ(resolveSettingsPath(bin.filePath("korvel-configurator"), user.path()),
              bin.filePath("korvel-configurator.INI"));
    EXPECT_TRUE(QDir(user.path()).entryList(QDir::Files).isEmpty());
}

}  // namespace
}  // namespace korvel
