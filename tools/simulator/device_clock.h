// The communicator's real-time clock: set by AT+ZQTIME= and AT+ZQDATE=, it runs on
// from the moment it was set and rolls the date over at midnight.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvel::sim {

using SteadyClock = std::chrono::steady_clock;
using TimePoint = SteadyClock::time_point;

class DeviceClock {
public:
    // The clock starts at 00:00:00 on 01.01.2026 at `now`.
    explicit DeviceClock(TimePoint now);

    // "h:mm:ss" with one- or two-digit groups and any single non-digit separator.
    bool setTime(std::string_view text, TimePoint now);
    // Three digit groups with single non-digit separators: day, month, year, or year,
    // month, day when the first group has four digits. The layout is kept for the reply.
    bool setDate(std::string_view text, TimePoint now);

    std::string timeText(TimePoint now) const;  // always "hh:mm:ss"
    std::string dateText(TimePoint now) const;  // in the layout last set

private:
    struct DateLayout {
        bool yearFirst = false;
        char separator1 = '.';
        char separator2 = '.';
        int widths[3] = {2, 2, 4};
    };

    std::int64_t secondsAt(TimePoint now) const;
    void setSeconds(std::int64_t seconds, TimePoint now);

    std::int64_t base_ = 0;  // device seconds since 1970-01-01 00:00:00 at setAt_
    TimePoint setAt_;
    DateLayout layout_;
};

}  // namespace korvel::sim
