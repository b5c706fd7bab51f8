// The picture's clock (FrameTimer) and the sound's (the mixer's request clock)
// must agree however long the machine has been up: a counter driven through the
// process clock's seam stands in for a machine at various uptimes.
#include "platform/FrameTimer.h"
#include "platform/ProcessClock.h"
#include "sound/audio/Mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

// A counter of the given rate that the test moves by hand.
struct FakeCounter {
    static inline uint64_t ticks = 0;
    static inline uint64_t rate = 0;
    static uint64_t read() { return ticks; }
    static uint64_t frequency() { return rate; }
};

class OneClock : public ::testing::TestWithParam<double> {
protected:
    void TearDown() override { setProcessCounterForTesting({nullptr, nullptr}); }
};

constexpr double kDaySeconds = 86400.0;

// At the given uptime the process starts, and the demo's clock starts 1.7 s
// later; at each of a few moments in the run the timer's time and the mixer's
// time since the same start must agree to well within a millisecond.
TEST_P(OneClock, pictureAndSoundAgreeAtAnyUptime) {
    const double uptimeSeconds = GetParam() * kDaySeconds;
    for (uint64_t rate : {uint64_t(1000000000), uint64_t(10000000), uint64_t(3579545)}) {
        FakeCounter::rate = rate;
        FakeCounter::ticks = static_cast<uint64_t>(uptimeSeconds * static_cast<double>(rate));
        setProcessCounterForTesting({&FakeCounter::read, &FakeCounter::frequency});

        FakeCounter::ticks += static_cast<uint64_t>(1.7 * static_cast<double>(rate));
        FrameTimer timer;
        timer.start();
        const long long startNs = Mixer::nowNs();
        const uint64_t startTicks = FakeCounter::ticks;
        for (double seconds : {0.0, 0.016, 10.0, 28.0, 59.99}) {
            FakeCounter::ticks = startTicks + static_cast<uint64_t>(seconds * static_cast<double>(rate));
            const double picture = timer.now();
            const double sound = static_cast<double>(Mixer::nowNs() - startNs) * 1e-9;
            EXPECT_NEAR(picture, sound, 1e-3) << "uptime " << GetParam() << " days, rate " << rate << ", at "
                                              << seconds << " s";
            EXPECT_NEAR(picture, seconds, 1e-3);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Uptimes, OneClock, ::testing::Values(0.0, 1.0, 10.0, 50.0, 100.0, 1000.0));

TEST(ProcessClock, countsFromTheProcessStartAndNeverGoesBack) {
    // Read before main: a test program has run for seconds, not days.
    EXPECT_LT(processClockNs(), 3600LL * 1000000000LL);
    long long previous = processClockNs();
    for (int i = 0; i < 100000; ++i) {
        const long long now = processClockNs();
        ASSERT_GE(now, previous);
        previous = now;
    }
}

TEST(ProcessClock, aCounterBehindItsOriginReadsZero) {
    FakeCounter::rate = 1000;
    FakeCounter::ticks = 5000;
    setProcessCounterForTesting({&FakeCounter::read, &FakeCounter::frequency});
    FakeCounter::ticks = 4000;
    EXPECT_EQ(processClockTicks(), 0u);
    FakeCounter::ticks = 7500;
    EXPECT_EQ(processClockNs(), 2500000000LL);
    FakeCounter::rate = 0;
    setProcessCounterForTesting({&FakeCounter::read, &FakeCounter::frequency});
    EXPECT_EQ(processClockFrequency(), 1u);
    setProcessCounterForTesting({nullptr, nullptr});
}

}  // namespace
