// The texts of the port-unusable box's reason line.
#include <gtest/gtest.h>

#include "device_link/report_texts.h"

namespace korvel {
namespace {

// A known kind shows its own text, any other the system's; no text, no
// line.  A busy port names its holders; ModemManager among them gets the way
// to keep it off this one adapter.
TEST(OpenFailureText, OwnTextForKnownKindsHoldersAndModemManager) {
    const QString io = QStringLiteral("Input/output error");
    EXPECT_TRUE(openFailureText(OpenFailure::Absent, {}, "COM3", io).startsWith(QStringLiteral("Порт не найден")));
    EXPECT_TRUE(openFailureText(OpenFailure::PermissionDenied).contains(QStringLiteral("dialout")));
    EXPECT_EQ(openFailureText(OpenFailure::NotSerial, {}, "COM3", io), QStringLiteral("Это не последовательный порт."));
    EXPECT_EQ(openFailureText(OpenFailure::Other, {}, "COM3", io), io);
    EXPECT_TRUE(openFailureText(OpenFailure::Other).isEmpty());
    EXPECT_EQ(openFailureText(OpenFailure::Busy, {{4242, "minicom"}}, QStringLiteral("ttyUSB0")),
              QStringLiteral("Порт занят другой программой: minicom (PID 4242)."));
    const QString mm = openFailureText(OpenFailure::Busy, {{812, "ModemManager"}, {4242, "minicom"}},
                                       QStringLiteral("ttyUSB0"));
    EXPECT_TRUE(mm.startsWith(QStringLiteral(
        "Порт занят другой программой: ModemManager (PID 812), minicom (PID 4242).\n")));
    EXPECT_TRUE(mm.contains(QStringLiteral("ENV{ID_MM_DEVICE_IGNORE}=\"1\": sudo korvel-mm-ignore ttyUSB0")));
}

}  // namespace
}  // namespace korvel
