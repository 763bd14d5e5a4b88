#include "clock.h"

#include <thread>

namespace korvel {

void SystemClock::sleepMs(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::chrono::system_clock::time_point SystemClock::now() {
    return std::chrono::system_clock::now();
}

}  // namespace korvel
