// Time as the dialogues see it: sleeping and the PC's wall clock.  Injected
// so that tests of long pauses run instantly.
#pragma once

#include <chrono>
#include <cstdint>

namespace korvel {

class Clock {
public:
    virtual ~Clock() = default;
    virtual void sleepMs(std::uint32_t ms) = 0;
    virtual std::chrono::system_clock::time_point now() = 0;
};

class SystemClock : public Clock {
public:
    void sleepMs(std::uint32_t ms) override;
    std::chrono::system_clock::time_point now() override;
};

}  // namespace korvel
