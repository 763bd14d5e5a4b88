// The texts of the port-unusable box's reason line.
#include <gtest/gtest.h>

#include <QStringList>

#include "device_link/report_texts.h"

namespace korvel {
namespace {

// A known kind shows its own text, any other the system's; no text, no line.
TEST(OpenFailureText, KnownKindsOwnTextOthersTheSystems) {
    const struct {
        OpenFailure reason;
        const char* system;
        const char* mustSay;
    } cases[] = {
        {OpenFailure::Absent, "No such file or directory", "Порт не найден"},
        {OpenFailure::Busy, "", "занят другой программой"},
        {OpenFailure::PermissionDenied, "", "dialout"},
        {OpenFailure::NotSerial, "", "не последовательный порт"},
        {OpenFailure::Other, "Input/output error", "Input/output error"},
    };
    for (const auto& c : cases) {
        const QString text = openFailureText(c.reason, {}, "COM3", QString::fromUtf8(c.system));
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.mustSay))) << text.toStdString();
        if (c.reason != OpenFailure::Other && *c.system) {
            EXPECT_FALSE(text.contains(QString::fromUtf8(c.system)));
        }
    }
    EXPECT_TRUE(openFailureText(OpenFailure::Other).isEmpty());
}

// A busy port names its holders; ModemManager among them gets the way to
// keep it off this one adapter.
TEST(OpenFailureText, BusyNamesHoldersAndHowToKeepModemManagerOff) {
    EXPECT_EQ(openFailureText(OpenFailure::Busy, {{4242, "minicom"}}, QStringLiteral("ttyUSB0")),
              QStringLiteral("Порт занят другой программой: minicom (PID 4242)."));
    const QString mm = openFailureText(OpenFailure::Busy, {{812, "ModemManager"}, {4242, "minicom"}},
                                       QStringLiteral("ttyUSB0"));
    const QStringList lines = mm.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Порт занят другой программой: ModemManager (PID 812), minicom (PID 4242)."));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("ENV{ID_MM_DEVICE_IGNORE}=\"1\"")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("sudo korvel-mm-ignore ttyUSB0")));
}

}  // namespace
}  // namespace korvel
