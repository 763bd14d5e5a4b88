// The timing rules at their edges; the port tests measure them on a line.
#include "device_link/serial/read_deadline.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

using std::chrono::milliseconds;

std::optional<std::chrono::nanoseconds> waitAfter(const Timeouts& t, std::size_t requested,
                                                  std::size_t received, int sinceStartMs,
                                                  int sinceLastByteMs) {
    ReadProgress p;
    p.requested = requested;
    p.received = received;
    p.sinceStart = milliseconds(sinceStartMs);
    p.sinceLastByte = milliseconds(sinceLastByteMs);
    return nextReadWait(t, p);
}

TEST(ReadDeadline, FirstByteBoundStopsMatteringOnceAByteCame) {
    const Timeouts t = Timeouts{500, 0, 0};
    EXPECT_EQ(waitAfter(t, 6, 0, 1500, 1500), milliseconds(kFirstByteBoundMs - 1500));
    EXPECT_EQ(waitAfter(t, 6, 0, kFirstByteBoundMs, kFirstByteBoundMs), std::nullopt);
    // A slow reply goes on past the bound while no gap exceeds the interval.
    EXPECT_EQ(waitAfter(t, 6, 2, 5000, 400), milliseconds(100));
    EXPECT_EQ(waitAfter(t, 6, 2, 5000, 501), std::nullopt);
    // No interval and no total: the bound applies between bytes as well.
    EXPECT_EQ(waitAfter(Timeouts{0, 0, 0}, 6, 2, 60000, 0), milliseconds(kFirstByteBoundMs));
}

TEST(ReadDeadline, TotalCountsFromStartAndIntervalOnlyAfterFirstByte) {
    const Timeouts t = Timeouts{500, 10, 1000};  // total 1000 + 10 * 6
    EXPECT_EQ(waitAfter(t, 6, 0, 0, 0), milliseconds(1060));
    EXPECT_EQ(waitAfter(Timeouts{500, 0, 10000}, 6, 0, 3000, 3000), milliseconds(7000));
    EXPECT_EQ(waitAfter(t, 6, 1, 300, 0), milliseconds(500));
    EXPECT_EQ(waitAfter(t, 6, 1, 900, 0), milliseconds(160));
    EXPECT_EQ(waitAfter(t, 6, 1, 1060, 0), std::nullopt);
    EXPECT_EQ(waitAfter(t, 6, 6, 10, 0), std::nullopt);
}

TEST(ReadDeadline, WindowsSpecialCases) {
    const Timeouts atOnce = Timeouts{kMaxTimeout, 0, 0};
    EXPECT_EQ(waitAfter(atOnce, 6, 0, 0, 0), milliseconds(0));
    EXPECT_FALSE(readNeedsFirstByteBound(atOnce));
    EXPECT_TRUE(readNeedsFirstByteBound(Timeouts{500, 0, 0}));
    const Timeouts firstByte = Timeouts{kMaxTimeout, kMaxTimeout, 700};
    EXPECT_EQ(waitAfter(firstByte, 6, 0, 200, 200), milliseconds(500));
    EXPECT_EQ(waitAfter(firstByte, 6, 1, 200, 0), milliseconds(0));
    EXPECT_EQ(waitAfter(firstByte, 6, 0, 700, 700), std::nullopt);
    // A huge multiplier times a large request must not wrap round.
    EXPECT_GT(waitAfter(Timeouts{0, kMaxTimeout, 0}, 1u << 20, 0, 0, 0).value(),
              milliseconds(1000000));
}

}  // namespace
}  // namespace korvel
