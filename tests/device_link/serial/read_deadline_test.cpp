#include "read_deadline.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

Timeouts readTimeouts(std::uint32_t interval, std::uint32_t multiplier, std::uint32_t constant) {
    Timeouts t;
    t.readInterval = interval;
    t.readMultiplier = multiplier;
    t.readConstant = constant;
    return t;
}

ReadProgress progress(std::size_t requested, std::size_t received, int sinceStartMs,
                      int sinceLastByteMs) {
    ReadProgress p;
    p.requested = requested;
    p.received = received;
    p.sinceStart = milliseconds(sinceStartMs);
    p.sinceLastByte = milliseconds(sinceLastByteMs);
    return p;
}

std::optional<nanoseconds> ms(long long n) { return milliseconds(n); }

TEST(ReadDeadline, EndsWhenAllRequestedBytesCame) {
    EXPECT_EQ(nextReadWait(readTimeouts(500, 0, 0), progress(6, 6, 10, 0)), std::nullopt);
    EXPECT_EQ(nextReadWait(readTimeouts(500, 0, 0), progress(0, 0, 0, 0)), std::nullopt);
}

TEST(ReadDeadline, TotalZeroBoundsFirstByteThenFollowsInterval) {
    const Timeouts t = readTimeouts(500, 0, 0);
    EXPECT_EQ(nextReadWait(t, progress(6, 0, 0, 0)), ms(kFirstByteBoundMs));
    EXPECT_EQ(nextReadWait(t, progress(6, 0, 1500, 1500)), ms(kFirstByteBoundMs - 1500));
    EXPECT_EQ(nextReadWait(t, progress(6, 0, kFirstByteBoundMs, kFirstByteBoundMs)),
              std::nullopt);
    // Once a byte came the first-byte bound is gone: a slow reply may go on
    // past it as long as no gap exceeds the interval.
    EXPECT_EQ(nextReadWait(t, progress(6, 2, 1900, 100)), ms(400));
    EXPECT_EQ(nextReadWait(t, progress(6, 2, 5000, 400)), ms(100));
    EXPECT_EQ(nextReadWait(t, progress(6, 2, 5000, 501)), std::nullopt);
}

TEST(ReadDeadline, TotalTimeOutCountsFromStartAndIntervalOnlyAfterFirstByte) {
    const Timeouts t = readTimeouts(500, 10, 1000);  // total 1000 + 10 * 6 = 1060
    // Before the first byte only the total counts, however long it is.
    EXPECT_EQ(nextReadWait(t, progress(6, 0, 0, 0)), ms(1060));
    EXPECT_EQ(nextReadWait(readTimeouts(500, 0, 10000), progress(6, 0, 3000, 3000)), ms(7000));
    // After it the nearer of the two ends applies.
    EXPECT_EQ(nextReadWait(t, progress(6, 1, 300, 0)), ms(500));
    EXPECT_EQ(nextReadWait(t, progress(6, 1, 900, 0)), ms(160));
    EXPECT_EQ(nextReadWait(t, progress(6, 1, 1060, 0)), std::nullopt);
    // No interval: the total alone.
    EXPECT_EQ(nextReadWait(readTimeouts(0, 0, 300), progress(6, 3, 100, 90)), ms(200));
}

TEST(ReadDeadline, WindowsSpecialCases) {
    // Interval MAXDWORD, total 0: take what is there, never wait.
    const Timeouts atOnce = readTimeouts(kMaxTimeout, 0, 0);
    EXPECT_EQ(nextReadWait(atOnce, progress(6, 0, 0, 0)), ms(0));
    EXPECT_FALSE(readNeedsFirstByteBound(atOnce));
    // Interval and multiplier MAXDWORD: wait for the first byte up to the
    // constant, then return with what is there.
    const Timeouts firstByte = readTimeouts(kMaxTimeout, kMaxTimeout, 700);
    EXPECT_EQ(nextReadWait(firstByte, progress(6, 0, 200, 200)), ms(500));
    EXPECT_EQ(nextReadWait(firstByte, progress(6, 1, 200, 0)), ms(0));
    EXPECT_EQ(nextReadWait(firstByte, progress(6, 0, 700, 700)), std::nullopt);
    // A huge multiplier times a large request must not wrap round to a
    // short total.
    EXPECT_EQ(nextReadWait(readTimeouts(0, kMaxTimeout, 0), progress(1u << 20, 0, 0, 0)).value() >
                  milliseconds(1000000),
              true);
}

TEST(ReadDeadline, NoTimeOutsAtAllNeverWaitsForEver) {
    const Timeouts none = readTimeouts(0, 0, 0);
    EXPECT_TRUE(readNeedsFirstByteBound(none));
    EXPECT_FALSE(readNeedsFirstByteBound(readTimeouts(500, 0, 1000)));
    EXPECT_EQ(nextReadWait(none, progress(6, 2, 60000, 0)), ms(kFirstByteBoundMs));
    EXPECT_EQ(nextReadWait(none, progress(6, 2, 60000, kFirstByteBoundMs + 1)), std::nullopt);
}

}  // namespace
}  // namespace korvel
