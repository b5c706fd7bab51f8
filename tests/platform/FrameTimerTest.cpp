#include "platform/FrameTimer.h"
#include "platform/ProcessClock.h"

#include <SDL2/SDL_timer.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

TEST(FrameTimer, startsNearZeroWithinTheOffsetOfItsFloatStartTime) {
    FrameTimer timer;
    timer.start();
    const float t = timer.now();
    // startSeconds is an absolute time stored as a float: the offset is at most
    // half a float step of it, plus the little time that passed.
    const float halfStep = std::nextafter(timer.startSeconds, INFINITY) - timer.startSeconds;
    EXPECT_GE(t, -halfStep);
    EXPECT_LT(t, halfStep + 0.05f);
    EXPECT_EQ(timer.frequency, static_cast<int64_t>(SDL_GetPerformanceFrequency()));
    EXPECT_FLOAT_EQ(timer.secondsPerTick, static_cast<float>(1.0 / timer.frequency));
}

TEST(FrameTimer, neverGoesBackwardsAndFollowsRealTime) {
    FrameTimer timer;
    timer.start();
    float previous = timer.now();
    for (int i = 0; i < 10000; ++i) {
        const float t = timer.now();
        ASSERT_GE(t, previous);
        previous = t;
    }
    const float before = timer.now();
    SDL_Delay(200);
    const float elapsed = timer.now() - before;
    EXPECT_GT(elapsed, 0.19f);
    EXPECT_LT(elapsed, 0.5f);
}

TEST(FrameTimer, stopLeavesTheClockRunning) {
    FrameTimer timer;
    timer.start();
    const float before = timer.now();
    const int64_t frequency = timer.frequency;
    const float start = timer.startSeconds;
    timer.stop();
    EXPECT_EQ(timer.frequency, frequency);
    EXPECT_EQ(timer.startSeconds, start);
    SDL_Delay(20);
    EXPECT_GT(timer.now(), before);
}

namespace {

// A counter the test moves by hand, at 10 MHz, a day into the machine's uptime.
struct HandCounter {
    static inline uint64_t ticks = 864000000000ULL;
    static uint64_t read() { return ticks; }
    static uint64_t frequency() { return 10000000; }
};

void advanceSeconds(double seconds) {
    HandCounter::ticks += static_cast<uint64_t>(seconds * 1e7);
}

}  // namespace

TEST(FrameTimer, jumpsHoldsAndResumesFromTheHeldTimeAtAnyUptime) {
    setProcessCounterForTesting({&HandCounter::read, &HandCounter::frequency});
    // Half an hour of looping into the process's life.
    advanceSeconds(1800.0);
    FrameTimer timer;
    timer.start();
    advanceSeconds(2.5);
    timer.jumpTo(57.0f);
    EXPECT_FLOAT_EQ(timer.now(), 57.0f);
    advanceSeconds(1.25);
    EXPECT_NEAR(timer.now(), 58.25f, 1e-5);
    timer.hold();
    EXPECT_TRUE(timer.held());
    const float heldAt = timer.now();
    advanceSeconds(10.0);
    EXPECT_EQ(timer.now(), heldAt);
    timer.jumpTo(20.0f);  // a jump while held moves the held time
    advanceSeconds(3.0);
    EXPECT_EQ(timer.now(), 20.0f);
    timer.resume();
    EXPECT_FALSE(timer.held());
    advanceSeconds(0.5);
    EXPECT_NEAR(timer.now(), 20.5f, 1e-5);
    setProcessCounterForTesting({nullptr, nullptr});
}

TEST(FrameTimer, aJumpToAReadingTakenEarlierRunsOnFromThatReading) {
    setProcessCounterForTesting({&HandCounter::read, &HandCounter::frequency});
    advanceSeconds(7200.0);
    FrameTimer timer;
    timer.start();
    advanceSeconds(3.0);
    // The music stood at 31 s a quarter of a second ago.
    const long long musicAtNs = processClockNs();
    advanceSeconds(0.25);
    timer.jumpTo(31.0, musicAtNs);
    EXPECT_NEAR(timer.exactNow(), 31.25, 1e-6);
    advanceSeconds(1.0);
    EXPECT_NEAR(timer.exactNow(), 32.25, 1e-6);
    timer.hold();
    timer.jumpTo(12.0, processClockNs());  // held: the reading is held as given
    advanceSeconds(2.0);
    EXPECT_EQ(timer.exactNow(), 12.0);
    setProcessCounterForTesting({nullptr, nullptr});
}
