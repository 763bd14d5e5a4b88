// Clock texts from the regional settings, and the COM port list order.
#include <gtest/gtest.h>

#include "device_link/clock_commands.h"
#include "device_link/port_list.h"
#include "recording_host.h"
#include "device_link/serial/scripted_serial_port.h"

namespace korvel {
namespace {

TEST(ClockTexts, TimeUsesTheRegionalSeparator) {
    EXPECT_EQ(timeText(QTime(14, 5, 9), ":"), "14:05:09");
    EXPECT_EQ(timeText(QTime(0, 0, 0), "."), "00.00.00");
}

TEST(ClockTexts, DateFollowsTheShortPattern) {
    EXPECT_EQ(dateText(QDate(2026, 12, 7), "dd.MM.yyyy"), "07.12.2026");
    EXPECT_EQ(dateText(QDate(2026, 12, 7), "d.M.yyyy"), "7.12.2026");
    EXPECT_EQ(regionalShortDatePattern(QLocale(QLocale::Russian, QLocale::Russia)), "dd.MM.yyyy");
    EXPECT_EQ(dateText(QDate(2026, 12, 7),
                       regionalShortDatePattern(QLocale(QLocale::Russian, QLocale::Russia)))
                  .size(),
              10);
    EXPECT_EQ(regionalTimeSeparator(QLocale(QLocale::Russian, QLocale::Russia)), ":");
    EXPECT_EQ(regionalShortDatePattern(QLocale::c()), "dd.MM.yyyy");
    EXPECT_EQ(regionalTimeSeparator(QLocale::c()), ":");
}

// Before midnight: the time is taken when the time command is built and the
// date when the date command is built, a second later.
TEST(ClockTexts, EachCommandReadsTheClockWhenBuilt) {
    test::FakeClock clock;
    const QDateTime beforeMidnight(QDate(2026, 12, 7), QTime(23, 59, 59, 500));
    clock.current = std::chrono::system_clock::time_point(
        std::chrono::milliseconds(beforeMidnight.toMSecsSinceEpoch()));
    ScriptedSerialPort port;
    test::RecordingHost host;
    AtDialogue at(port, host, Timeouts{500, 0, 0, 0, 500});
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    EXPECT_TRUE(timeCommandStep(at, clock, nullptr, ru).passed());
    clock.sleepMs(1000);
    EXPECT_TRUE(dateCommandStep(at, clock, nullptr, ru).passed());
    EXPECT_EQ(port.writes(), (std::vector<std::string>{"AT+ZQTIME=", "23:59:59", "\r\n",
                                                       "AT+ZQDATE=", "08.12.2026", "\r\n"}));
    EXPECT_EQ(host.memo1(), (QStringList{"AT+ZQTIME=23:59:59", "AT+ZQDATE=08.12.2026"}));
}

TEST(PortList, SortedAsTextIgnoringCase) {
    EXPECT_EQ(sortedPortList({"COM3", "COM10", "COM1"}), (QStringList{"COM1", "COM10", "COM3"}));
    EXPECT_EQ(sortedPortList({"ttyUSB0", "COM2", "com1"}), (QStringList{"com1", "COM2", "ttyUSB0"}));
    EXPECT_TRUE(sortedPortList({}).isEmpty());
}

}  // namespace
}  // namespace korvel
