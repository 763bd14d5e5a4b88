// Time as the dialogues see it: sleeping and the PC's wall clock.  Injected
// so that tests of long pauses run instantly.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace korvel {

class Clock {
public:
    virtual ~Clock() = default;
    virtual void sleepMs(std::uint32_t ms) = 0;
    virtual std::chrono::system_clock::time_point now() = 0;
    // Sleeps `ms`, calling `idle` at least every `sliceMs` meanwhile (so that
    // a window stays responsive through a long pause).  A clock whose sleeps
    // take no real time just sleeps.
    virtual void pauseMs(std::uint32_t ms, const std::function<void()>& idle,
                         std::uint32_t sliceMs) {
        (void)idle;
        (void)sliceMs;
        sleepMs(ms);
    }
};

class SystemClock : public Clock {
public:
    void sleepMs(std::uint32_t ms) override;
    std::chrono::system_clock::time_point now() override;
    // The pause ends `ms` after it began, however long `idle` takes.
    void pauseMs(std::uint32_t ms, const std::function<void()>& idle,
                 std::uint32_t sliceMs) override;
};

}  // namespace korvel
