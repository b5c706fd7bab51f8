#include "platform/FrameTimer.h"

#include <SDL2/SDL_timer.h>
#include <gtest/gtest.h>

#include <cmath>

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
