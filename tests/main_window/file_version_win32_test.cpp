// The title's version on Windows comes from the executable's version resource
// (Russian, code page 1251 table).
#include <gtest/gtest.h>

#include "main_window/file_version.h"

namespace korvel {
namespace {

TEST(VersionResource, FileVersionOfTheRussianTableIsTheBuildsVersion) {
    EXPECT_EQ(executableFileVersion(), QStringLiteral(KORVEL_VERSION));
}

}  // namespace
}  // namespace korvel
