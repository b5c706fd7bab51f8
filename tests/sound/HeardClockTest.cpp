// The heard clock turns the server's readings into the output's position and pace.
#include "sound/audio/HeardClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRateHz = 32000.0;
constexpr long long kBlockNs = 128000000;  // one reading per 4096-frame block

// The frame an output that runs ppm fast has played at atNs, give or take the jitter
// of one reading (a fixed pattern, about a tenth of a millisecond).
double heardAt(long long atNs, double ppm, int reading) {
    double jitterFrames = 3.0 * std::sin(reading * 2.3);
    return atNs * 1e-9 * kRateHz * (1.0 + ppm * 1e-6) + jitterFrames;
}

}  // namespace

TEST(HeardClock, fitsTheOutputsPaceAndPositionFromJitteryReadings) {
    HeardClock clock;
    long long atNs = 5000000000;
    int reading = 0;
    // While the stream fills, and with too few readings, there is no fit.
    for (; atNs < 5000000000 + HeardClock::kServerReadings.settleNs + kBlockNs; atNs += kBlockNs, ++reading) {
        clock.observe(atNs, heardAt(atNs, 400.0, reading));
        EXPECT_FALSE(clock.ready());
    }
    for (int i = 0; i < 40; ++i, atNs += kBlockNs, ++reading) {
        clock.observe(atNs, heardAt(atNs, 400.0, reading));
    }
    ASSERT_TRUE(clock.ready());
    EXPECT_NEAR(clock.framesPerSecond(), kRateHz * 1.0004, kRateHz * 20e-6);
    // Between readings the line is steadier than any one of them: within 2 frames.
    long long between = atNs - kBlockNs / 2;
    EXPECT_NEAR(clock.heardFrameAt(between), between * 1e-9 * kRateHz * 1.0004, 2.0);
}

TEST(HeardClock, ignoresAStrayReadingButFollowsAnOutputThatJumped) {
    HeardClock clock;
    long long atNs = 1000000000;
    int reading = 0;
    for (int i = 0; i < 40; ++i, atNs += kBlockNs, ++reading) {
        clock.observe(atNs, heardAt(atNs, 0.0, reading));
    }
    ASSERT_TRUE(clock.ready());
    double expected = atNs * 1e-9 * kRateHz;
    clock.observe(atNs, expected + 0.05 * kRateHz);  // one reading 50 ms off
    EXPECT_NEAR(clock.heardFrameAt(atNs), expected, 2.0);

    // An output that lost 50 ms for good: once the readings agree on it, so does the
    // fit, at once and at the pace it had.
    const double lostFrames = 0.05 * kRateHz;
    const double pace = clock.framesPerSecond();
    for (int i = 0; i < HeardClock::kServerReadings.outliersBeforeJump; ++i, atNs += kBlockNs, ++reading) {
        clock.observe(atNs, heardAt(atNs, 0.0, reading) - lostFrames);
    }
    ASSERT_TRUE(clock.ready());
    EXPECT_NEAR(clock.framesPerSecond(), pace, kRateHz * 5e-6);
    EXPECT_NEAR(clock.heardFrameAt(atNs), atNs * 1e-9 * kRateHz - lostFrames, 2.0);
    for (int i = 0; i < 20; ++i, atNs += kBlockNs, ++reading) {
        clock.observe(atNs, heardAt(atNs, 0.0, reading) - lostFrames);
    }
    ASSERT_TRUE(clock.ready());
    EXPECT_NEAR(clock.heardFrameAt(atNs), atNs * 1e-9 * kRateHz - lostFrames, 2.0);

    clock.reset();
    EXPECT_FALSE(clock.ready());
}

// Blocks asked for through a server that frees room on its own steady cycle come
// within a tenth of a millisecond of a line, but now and then the audio thread asks
// ten milliseconds late, once or twice in a row, and for a few seconds at a time the
// server asks 6 ms later than before. The output played on regardless, so the fit
// must not lean towards them: what it places stays within a few frames of where the
// output is, over a whole minute. An output that does lose time, as in a dropout, is
// followed within a second, and one that comes to hold a few ms more within seconds.
TEST(HeardClock, lateRequestsDoNotMoveTheFitOfASteadyOutputButADropoutDoes) {
    HeardClock clock(HeardClock::kBlockRequests);
    double worstFrames = 0.0;
    const long long startNs = 1000000000;
    auto requestedAt = [&](int block) {
        long long askedNs = startNs + block * kBlockNs + static_cast<long long>(60000 * std::sin(block * 2.3));
        if (block % 31 == 7 || block % 31 == 8 || block % 43 == 20) {
            askedNs += 11000000;
        }
        if ((block >= 200 && block < 233) || (block >= 380 && block < 402)) {
            askedNs += 6300000;
        }
        return askedNs;
    };
    int block = 0;
    for (; block < 480; ++block) {
        clock.observe(requestedAt(block), 4096.0 * block);
        if (clock.ready()) {
            long long midNs = startNs + block * kBlockNs + kBlockNs / 2;
            worstFrames = std::max(worstFrames, std::fabs(clock.heardFrameAt(midNs) - (4096.0 * block + 2048.0)));
        }
    }
    ASSERT_TRUE(clock.ready());
    EXPECT_LT(worstFrames, 0.1e-3 * kRateHz);

    // 40 ms lost: every block is asked for that much later from now on.
    const long long lostNs = 40000000;
    for (int i = 0; i < 8; ++i, ++block) {
        clock.observe(requestedAt(block) + lostNs, 4096.0 * block);
    }
    ASSERT_TRUE(clock.ready());
    long long midNs = startNs + block * kBlockNs + kBlockNs / 2 + lostNs;
    EXPECT_NEAR(clock.heardFrameAt(midNs), 4096.0 * block + 2048.0, 0.5e-3 * kRateHz);

    // A server that from now on holds 6 ms more: within 14 s the fit has it.
    const long long heldNs = lostNs + 6300000;
    for (int i = 0; i < 110; ++i, ++block) {
        clock.observe(requestedAt(block) + heldNs, 4096.0 * block);
    }
    ASSERT_TRUE(clock.ready());
    midNs = startNs + block * kBlockNs + kBlockNs / 2 + heldNs;
    EXPECT_NEAR(clock.heardFrameAt(midNs), 4096.0 * block + 2048.0, 0.1e-3 * kRateHz);
}
