#include "device_link/serial/clock.h"

#include <algorithm>
#include <thread>

namespace korvel {

void SystemClock::sleepMs(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SystemClock::pauseMs(std::uint32_t ms, const std::function<void()>& idle,
                          std::uint32_t sliceMs) {
    using Steady = std::chrono::steady_clock;
    const Steady::time_point end = Steady::now() + std::chrono::milliseconds(ms);
    const auto slice = std::chrono::milliseconds(sliceMs == 0 ? 1 : sliceMs);
    for (;;) {
        const Steady::time_point now = Steady::now();
        if (now >= end) return;
        std::this_thread::sleep_for(std::min<Steady::duration>(end - now, slice));
        if (idle && Steady::now() < end) idle();
    }
}

std::chrono::system_clock::time_point SystemClock::now() {
    return std::chrono::system_clock::now();
}

}  // namespace korvel
