#include "device_clock.h"

#include <cstdio>
#include <vector>

namespace korvel::sim {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

CivilDate civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {y + (m <= 2 ? 1 : 0), m, d};
}

unsigned daysInMonth(std::int64_t year, unsigned month) {
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

struct Group {
    int value;
    int width;
};

// Splits "12:05:09" or "07.12.2026" into digit groups and the separators between
// them. Fails on anything but digit groups with exactly one non-digit between.
bool splitGroups(std::string_view text, std::vector<Group>& groups, std::string& separators,
                 int maxWidth) {
    groups.clear();
    separators.clear();
    std::size_t i = 0;
    while (true) {
        Group group{0, 0};
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (++group.width > maxWidth) return false;
            group.value = group.value * 10 + (text[i] - '0');
            ++i;
        }
        if (group.width == 0) return false;
        groups.push_back(group);
        if (i == text.size()) return true;
        separators.push_back(text[i]);
        ++i;
    }
}

}  // namespace

DeviceClock::DeviceClock(TimePoint now) : setAt_(now) {
    base_ = daysFromCivil(2026, 1, 1) * kSecondsPerDay;
}

std::int64_t DeviceClock::secondsAt(TimePoint now) const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - setAt_).count();
    return base_ + elapsed;
}

void DeviceClock::setSeconds(std::int64_t seconds, TimePoint now) {
    base_ = seconds;
    setAt_ = now;
}

bool DeviceClock::setTime(std::string_view text, TimePoint now) {
    std::vector<Group> groups;
    std::string separators;
    if (!splitGroups(text, groups, separators, 2) || groups.size() != 3) return false;
    const int h = groups[0].value, m = groups[1].value, s = groups[2].value;
    if (h > 23 || m > 59 || s > 59) return false;
    const std::int64_t current = secondsAt(now);
    const std::int64_t day =
        current >= 0 ? current / kSecondsPerDay : (current - kSecondsPerDay + 1) / kSecondsPerDay;
    setSeconds(day * kSecondsPerDay + h * 3600 + m * 60 + s, now);
    return true;
}

bool DeviceClock::setDate(std::string_view text, TimePoint now) {
    std::vector<Group> groups;
    std::string separators;
    if (!splitGroups(text, groups, separators, 4) || groups.size() != 3) return false;
    DateLayout layout;
    layout.yearFirst = groups[0].width == 4;
    layout.separator1 = separators[0];
    layout.separator2 = separators[1];
    for (int i = 0; i < 3; ++i) layout.widths[i] = groups[static_cast<std::size_t>(i)].width;
    const Group& yearGroup = layout.yearFirst ? groups[0] : groups[2];
    const Group& dayGroup = layout.yearFirst ? groups[2] : groups[0];
    if (yearGroup.width != 2 && yearGroup.width != 4) return false;
    if (dayGroup.width > 2 || groups[1].width > 2) return false;
    const std::int64_t year = yearGroup.width == 2 ? 2000 + yearGroup.value : yearGroup.value;
    const int month = groups[1].value;
    const int day = dayGroup.value;
    if (month < 1 || month > 12 || day < 1) return false;
    if (static_cast<unsigned>(day) > daysInMonth(year, static_cast<unsigned>(month))) return false;

    const std::int64_t current = secondsAt(now);
    const std::int64_t timeOfDay = ((current % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
    const std::int64_t days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    setSeconds(days * kSecondsPerDay + timeOfDay, now);
    layout_ = layout;
    return true;
}

std::string DeviceClock::timeText(TimePoint now) const {
    const std::int64_t current = secondsAt(now);
    const std::int64_t timeOfDay = ((current % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", static_cast<int>(timeOfDay / 3600),
                  static_cast<int>(timeOfDay / 60 % 60), static_cast<int>(timeOfDay % 60));
    return buffer;
}

std::string DeviceClock::dateText(TimePoint now) const {
    const std::int64_t current = secondsAt(now);
    const std::int64_t days =
        current >= 0 ? current / kSecondsPerDay : (current - kSecondsPerDay + 1) / kSecondsPerDay;
    const CivilDate date = civilFromDays(days);
    const long long yearValue = layout_.widths[layout_.yearFirst ? 0 : 2] == 2
                                    ? static_cast<long long>(date.year % 100)
                                    : static_cast<long long>(date.year);
    const long long values[3] = {layout_.yearFirst ? yearValue : date.day, date.month,
                                 layout_.yearFirst ? date.day : yearValue};
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%0*lld%c%0*lld%c%0*lld", layout_.widths[0], values[0],
                  layout_.separator1, layout_.widths[1], values[1], layout_.separator2,
                  layout_.widths[2], values[2]);
    return buffer;
}

}  // namespace korvel::sim
