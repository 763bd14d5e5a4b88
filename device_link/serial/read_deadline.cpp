#include "device_link/serial/read_deadline.h"

#include <algorithm>

namespace korvel {

namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

bool returnsAtOnce(const Timeouts& t) {
    return t.readInterval == kMaxTimeout && t.readMultiplier == 0 && t.readConstant == 0;
}

bool returnsOnFirstByte(const Timeouts& t) {
    return t.readInterval == kMaxTimeout && t.readMultiplier == kMaxTimeout &&
           t.readConstant != 0 && t.readConstant != kMaxTimeout;
}

std::uint64_t totalMs(const Timeouts& t, std::size_t requested) {
    return static_cast<std::uint64_t>(t.readMultiplier) * requested + t.readConstant;
}

}  // namespace

bool readNeedsFirstByteBound(const Timeouts& t) {
    return !returnsAtOnce(t) && t.readMultiplier == 0 && t.readConstant == 0;
}

std::optional<nanoseconds> nextReadWait(const Timeouts& t, const ReadProgress& p) {
    if (p.received >= p.requested) return std::nullopt;
    if (returnsAtOnce(t)) return nanoseconds(0);
    if (returnsOnFirstByte(t)) {
        if (p.received > 0) return nanoseconds(0);
        const nanoseconds left = milliseconds(t.readConstant) - p.sinceStart;
        if (left <= nanoseconds(0)) return std::nullopt;
        return left;
    }

    std::optional<nanoseconds> wait;
    auto limit = [&wait](nanoseconds left) { wait = wait ? std::min(*wait, left) : left; };

    const std::uint64_t total = totalMs(t, p.requested);
    if (total != 0) {
        // Saturate far beyond any real wait rather than overflow.
        const std::uint64_t capped = std::min<std::uint64_t>(total, 1ull << 40);
        const nanoseconds left = milliseconds(capped) - p.sinceStart;
        if (left <= nanoseconds(0)) return std::nullopt;
        limit(left);
    } else if (p.received == 0) {
        const nanoseconds left = milliseconds(kFirstByteBoundMs) - p.sinceStart;
        if (left <= nanoseconds(0)) return std::nullopt;
        limit(left);
    }

    if (p.received > 0) {
        std::uint32_t gap = t.readInterval;
        if (gap == 0 && total == 0) gap = kFirstByteBoundMs;
        if (gap != 0) {
            const nanoseconds left = milliseconds(gap) - p.sinceLastByte;
            if (left < nanoseconds(0)) return std::nullopt;
            limit(left);
        }
    }
    // Every path above set a wait: a total, the first-byte bound or a gap.
    return wait;
}

}  // namespace korvel
