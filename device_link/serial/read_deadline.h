// When a read of the serial port ends, under the Windows time-out rules
// (COMMTIMEOUTS) with the first-byte bound of kFirstByteBoundMs.  Shared by
// the platform ports so that both end their reads at the same moments.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "device_link/serial/serial_port.h"

namespace korvel {

constexpr std::uint32_t kMaxTimeout = 0xFFFFFFFFu;  // MAXDWORD

// The state of a read in progress and what it asked for.
struct ReadProgress {
    std::size_t requested = 0;
    std::size_t received = 0;
    std::chrono::nanoseconds sinceStart{0};     // since the read began
    std::chrono::nanoseconds sinceLastByte{0};  // since the last byte came (or the start)
};

// How long the read may still wait for more bytes.  If none come within that
// time the read is over; std::nullopt means it is over now.  A wait of zero
// means "take what is already there, then stop".
//
// The rules, as the Windows serial driver applies them:
//  - the read ends when all requested bytes came;
//  - interval MAXDWORD with multiplier and constant 0: it returns at once
//    with what is there;
//  - interval and multiplier MAXDWORD, constant between: it returns as soon
//    as any byte is there, or empty after the constant;
//  - otherwise, where multiplier * requested + constant is not 0, it ends
//    that many milliseconds after it began;
//  - after the first byte, a non-zero interval ends it when more than that
//    many milliseconds pass without a byte.
// Where the driver would wait without limit, the wait is bounded instead:
// with a total of 0 the first byte is awaited at most kFirstByteBoundMs, and
// with a total and an interval of 0 the same bound applies between bytes.
std::optional<std::chrono::nanoseconds> nextReadWait(const Timeouts& t, const ReadProgress& p);

// True where the rules above depend on the first-byte bound (total 0 and no
// immediate return), i.e. where the Windows driver alone could wait for ever.
bool readNeedsFirstByteBound(const Timeouts& t);

}  // namespace korvel
