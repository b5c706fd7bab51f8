// The output clock against a simulated output and a clock moved by hand: what it
// says is heard, how it paces a sample to keep it with the clock, and how it keeps
// time on the wall clock where nobody hears the output.
#include "sound/audio/OutputClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace {

constexpr int kRateHz = 32000;
constexpr int kBlockFrames = 4096;

// An output that plays ppm fast against the clock and holds heldFrames beyond what
// it plays (the device's and the server's buffers); its server answers, when asked,
// how long until the last frame written is heard. The clock is the test's own.
struct SimulatedOutput {
    long long nowNs = 5000000000LL;
    double ppm = 0.0;
    double heldFrames = 2720.0;  // 85 ms
    long long startNs = 5000000000LL;
    long long writtenFrames = 0;
    // Added to the next answer only, as a glitch of the reading.
    double strayReadingMs = 0.0;
    // How far a request may come after its moment besides (a device that frees room in
    // steps), and how late the audio thread is at every lateEvery-th block.
    double requestJitterMs = 1.5;
    int lateEvery = 0;
    double lateMs = 0.0;

    // Once it has played stallFrame, it stops for stallMs (a dropout, or a server held
    // up): everything after is heard, and asked for, that much later.
    double stallFrame = std::numeric_limits<double>::infinity();
    double stallMs = 0.0;

    double heardFrameAt(long long atNs) const {
        double frame = (atNs - startNs) * 1e-9 * kRateHz * (1.0 + ppm * 1e-6);
        if (frame > stallFrame) {
            frame = std::max(stallFrame, frame - stallMs * 1e-3 * kRateHz * (1.0 + ppm * 1e-6));
        }
        return frame;
    }
    double heardNsOf(double frame) const {
        double stalledNs = frame > stallFrame ? stallMs * 1e6 : 0.0;
        return startNs + frame / (kRateHz * (1.0 + ppm * 1e-6)) * 1e9 + stalledNs;
    }
    // The question takes a millisecond; the server answers halfway through it.
    long long readLatencyUs() {
        nowNs += 500000;
        double latencyMs = (writtenFrames - heardFrameAt(nowNs)) * 1000.0 / kRateHz + strayReadingMs;
        strayReadingMs = 0.0;
        nowNs += 500000;
        return std::llround(latencyMs * 1000.0);
    }
    // The moment the device asks for the block that starts at firstFrame: when what it
    // holds has run down to heldFrames, late by up to a millisecond or two.
    long long requestNs(long long firstFrame, int block) const {
        double lateNs = lateEvery > 0 && block % lateEvery == 0 ? lateMs * 1e6 : 0.0;
        double jitterNs = requestJitterMs * 1e6 * std::fabs(std::sin(block * 1.7));
        return std::llround(heardNsOf(firstFrame - heldFrames) + jitterNs + lateNs);
    }
};

// A sample played through the simulated output from calledNs, whose frame n should be
// heard n frames after calledNs. Each block it takes the pace the clock gives it.
struct PacedSample {
    long long calledNs;
    double position;
    // The mixer frame its frame 0 would have been at, had it been played from there.
    long long startFrame = 0;
    std::vector<double> steps;
    // Heard sample time less the clock's time since the call, at each block's first frame, in ms.
    std::vector<double> errorsMs;
    // What the clock keeps for the sample while the requests pace it.
    double keptAheadFrames = std::numeric_limits<double>::quiet_NaN();
};

// A sample played just before the first block is asked for, starting as far in as the
// output lags (as the mixer starts it), plus lateMs further back.
PacedSample sampleStartedOn(const SimulatedOutput& output, double lateMs = 0.0) {
    long long calledNs = output.startNs - std::llround(output.heldFrames * 1e9 / kRateHz);
    PacedSample sample;
    sample.calledNs = calledNs;
    sample.position = output.heldFrames - lateMs * kRateHz / 1000.0;
    sample.startFrame = -std::llround(sample.position);
    return sample;
}

// Drives blockCount blocks through clock and output, pacing sample.
void playBlocks(OutputClock& clock, SimulatedOutput& output, PacedSample& sample, int blockCount) {
    for (int i = 0; i < blockCount; ++i) {
        long long firstFrame = output.writtenFrames;
        int block = static_cast<int>(firstFrame / kBlockFrames);
        output.nowNs = std::max(output.nowNs, output.requestNs(firstFrame, block));
        clock.noteRequest(firstFrame, kBlockFrames);
        double step =
            clock.pacesSamples()
                ? clock.sampleStep(sample.calledNs, sample.startFrame, sample.position, sample.keptAheadFrames)
                : 1.0;
        // The block's first frame is heard when the output has played up to it.
        double heardAtNs = output.heardNsOf(static_cast<double>(firstFrame));
        sample.errorsMs.push_back(sample.position * 1000.0 / kRateHz - (heardAtNs - sample.calledNs) * 1e-6);
        sample.steps.push_back(step);
        sample.position += step * kBlockFrames;
        output.writtenFrames += kBlockFrames;
    }
}

struct Fixture {
    SimulatedOutput output;
    OutputClock clock{kRateHz, [this] { return output.nowNs; }};
    Fixture() {
        clock.setOutputLatency(static_cast<int>(output.heldFrames));
        clock.setLatencySource([this] { return output.readLatencyUs(); });
    }
    // The heard frame the clock publishes, against the output's own, at the last request.
    double heardError() const {
        OutputClock::Request request = clock.lastRequest();
        return request.heardFrame - output.heardFrameAt(request.atNs);
    }
};

}  // namespace

TEST(OutputClockFit, aReadingFarOffIsIgnoredButALastingJumpIsFollowed) {
    Fixture f;
    PacedSample sample = sampleStartedOn(f.output);
    playBlocks(f.clock, f.output, sample, 40);
    ASSERT_TRUE(f.clock.pacesSamples());
    EXPECT_NEAR(f.heardError(), 0.0, 2.0);
    // One reading 50 ms off, then one 5 ms off: glitches of the reading, not of the output.
    for (double strayMs : {50.0, 5.0}) {
        SCOPED_TRACE(strayMs);
        double stepBefore = sample.steps.back();
        f.output.strayReadingMs = strayMs;
        playBlocks(f.clock, f.output, sample, 1);
        EXPECT_NEAR(f.heardError(), 0.0, 2.0);
        EXPECT_NEAR(sample.steps.back(), stepBefore, 1e-5);
        playBlocks(f.clock, f.output, sample, 3);
    }
    // The output lost 50 ms for good (its buffer ran dry and refilled): once the
    // readings agree on it, so does what the clock says is heard.
    f.output.startNs += 50000000;
    playBlocks(f.clock, f.output, sample, 12);
    ASSERT_TRUE(f.clock.pacesSamples());
    EXPECT_NEAR(f.heardError(), 0.0, 2.0);
    // The sample, heard 50 ms late now, comes back to the clock at 0.2 % faster: 25 s.
    EXPECT_LT(sample.errorsMs.back(), -45.0);
    playBlocks(f.clock, f.output, sample, 30 * kRateHz / kBlockFrames);
    EXPECT_NEAR(sample.errorsMs.back(), 0.0, 0.5);
}

TEST(OutputClockPace, aSampleOnAnOutput600PpmFastKeepsWithTheClockWithinTheLimits) {
    Fixture f;
    f.output.ppm = 600.0;
    // Started 5 ms late: an error of its own to correct as well as the pace.
    PacedSample sample = sampleStartedOn(f.output, 5.0);
    playBlocks(f.clock, f.output, sample, OutputClock::kSettleSeconds * kRateHz / kBlockFrames);
    ASSERT_TRUE(f.clock.pacesSamples());
    // Within the stated time the sample is heard with the clock to half a millisecond,
    // at the output's pace turned into the clock's (left alone, it would have drifted
    // 0.6 ms a second).
    EXPECT_NEAR(sample.errorsMs.back(), 0.0, 0.5);
    playBlocks(f.clock, f.output, sample, OutputClock::kSettleSeconds * kRateHz / kBlockFrames);
    EXPECT_NEAR(sample.errorsMs.back(), 0.0, 0.1);
    EXPECT_NEAR(sample.steps.back(), 1.0 / 1.0006, 20e-6);
    for (double step : sample.steps) {
        ASSERT_LE(std::fabs(step - 1.0), OutputClock::kMaxStepDeviation);
    }
}

TEST(OutputClockPace, aSampleFarOffIsBroughtBackNoFasterThanTheLimits) {
    for (double offSeconds : {1.0, -1.0}) {
        SCOPED_TRACE(offSeconds);
        Fixture f;
        PacedSample sample = sampleStartedOn(f.output);
        playBlocks(f.clock, f.output, sample, 40);
        ASSERT_TRUE(f.clock.pacesSamples());
        // A sample a second ahead of the clock (or behind) plays 0.2 % slower (or
        // faster), however far off it is: a larger change of pace would be heard.
        sample.position += offSeconds * kRateHz;
        playBlocks(f.clock, f.output, sample, 1);
        double limit = offSeconds > 0 ? 1.0 - OutputClock::kMaxStepDeviation : 1.0 + OutputClock::kMaxStepDeviation;
        EXPECT_DOUBLE_EQ(sample.steps.back(), limit);
        EXPECT_NEAR(sample.steps.back(), offSeconds > 0 ? 0.998 : 1.002, 1e-9);
    }
}

TEST(OutputClockPace, withoutAFitOrOnTheWallClockSamplesPlayFrameForFrame) {
    Fixture f;
    PacedSample sample = sampleStartedOn(f.output);
    // The first 0.3 s of readings fill the stream and are left out: no fit yet.
    playBlocks(f.clock, f.output, sample, 3);
    EXPECT_FALSE(f.clock.pacesSamples());
    EXPECT_EQ(f.clock.lastRequest().heardFramesPerSecond, 0.0);
    playBlocks(f.clock, f.output, sample, 20);
    EXPECT_TRUE(f.clock.pacesSamples());
    f.clock.setWallClockPacing(true);
    playBlocks(f.clock, f.output, sample, 1);
    EXPECT_FALSE(f.clock.pacesSamples());
    EXPECT_EQ(sample.steps.back(), 1.0);
}

TEST(OutputClockWall, keepsTheMixItsLatencyAheadOfTheWallClock) {
    long long nowNs = 1000000000LL;
    OutputClock clock(kRateHz, [&nowNs] { return nowNs; });
    clock.setOutputLatency(1000);
    clock.setWallClockPacing(true);
    long long mixed = 3000;
    // The first call starts the clock at what has been heard by now: mixed less the latency.
    EXPECT_EQ(clock.framesDue(mixed), 0);
    nowNs += 100000000;  // 0.1 s later, 3200 frames are due
    EXPECT_NEAR(clock.framesDue(mixed), 3200, 1);
    mixed += 3200;
    nowNs += 1000000;
    EXPECT_NEAR(clock.framesDue(mixed), 32, 1);
    // A stall of more than a second starts the clock afresh at the next block instead
    // of mixing it all at once.
    nowNs += 2000000000LL;
    EXPECT_EQ(clock.framesDue(mixed), 0);
    EXPECT_EQ(clock.framesDue(mixed), 0);
    nowNs += 50000000;
    EXPECT_NEAR(clock.framesDue(mixed + 32), 1600 - 32, 1);
    clock.setWallClockPacing(false);
    EXPECT_EQ(clock.framesDue(mixed), 0);
}

TEST(OutputClockWall, keepsTimeAfterAYearOfPlayingAt192kHz) {
    constexpr int kHighRateHz = 192000;
    constexpr long long kYearSeconds = 365LL * 86400;
    long long nowNs = (kYearSeconds + 10) * 1000000000LL;
    OutputClock clock(kHighRateHz, [&nowNs] { return nowNs; });
    clock.setOutputLatency(4096);
    clock.setWallClockPacing(true);
    long long mixed = kYearSeconds * kHighRateHz + 4096;
    ASSERT_EQ(clock.framesDue(mixed), 0);
    // Each 10 ms of the clock, 1920 frames are due: pacing holds, for the whole minute.
    for (int block = 0; block < 6000; ++block) {
        nowNs += 10000000;
        long long due = clock.framesDue(mixed);
        ASSERT_NEAR(due, 1920, 1) << "block " << block;
        mixed += due;
    }
}

TEST(OutputClockFit, holdsAfterAYearOfPlaying) {
    Fixture f;
    f.output.ppm = 300.0;
    f.output.writtenFrames = 365LL * 86400 * kRateHz;
    PacedSample sample = sampleStartedOn(f.output);
    sample.calledNs = f.output.requestNs(f.output.writtenFrames, 0);
    sample.position = f.output.heldFrames;
    sample.startFrame = f.output.writtenFrames - std::llround(sample.position);
    playBlocks(f.clock, f.output, sample, 2 * OutputClock::kSettleSeconds * kRateHz / kBlockFrames);
    ASSERT_TRUE(f.clock.pacesSamples());
    EXPECT_NEAR(f.heardError(), 0.0, 2.0);
    EXPECT_NEAR(sample.errorsMs.back(), 0.0, 0.1);
}

TEST(OutputClockWall, aFrozenOutputIsNoticedAndWhatIsHeardGoesOnAtTheClocksPace) {
    Fixture f;
    const long long startedNs = f.output.nowNs;
    EXPECT_FALSE(f.clock.outputStalled(startedNs));
    PacedSample sample = sampleStartedOn(f.output);
    playBlocks(f.clock, f.output, sample, 30);
    ASSERT_TRUE(f.clock.pacesSamples());
    // The server freezes: SDL stops asking for blocks.
    const long long lastRequestNs = f.clock.lastRequest().atNs;
    f.output.nowNs = lastRequestNs + OutputClock::kStalledOutputNs - 1000000;
    EXPECT_FALSE(f.clock.outputStalled(startedNs));
    f.output.nowNs = lastRequestNs + OutputClock::kStalledOutputNs + 1000000;
    EXPECT_TRUE(f.clock.outputStalled(startedNs));
    // From then on the wall clock says what is heard, going on from where the fit had
    // it, and the frames due by now are those up to there plus the latency.
    f.clock.setWallClockPacing(true);
    const long long mixed = f.output.writtenFrames;
    const double heardNow = f.output.heardFrameAt(f.output.nowNs);
    EXPECT_NEAR(f.clock.heardFrame(1LL << 40), heardNow, 2.0);
    EXPECT_EQ(f.clock.heardFrame(mixed), mixed);  // never past what is mixed
    EXPECT_NEAR(f.clock.framesDue(mixed), heardNow + f.clock.outputLatency() - mixed, 2.0);
    // Before any block was asked for, the device's start counts instead.
    OutputClock fresh(kRateHz, [&f] { return f.output.nowNs; });
    EXPECT_FALSE(fresh.outputStalled(f.output.nowNs - OutputClock::kStalledOutputNs + 1000000));
    EXPECT_TRUE(fresh.outputStalled(f.output.nowNs - OutputClock::kStalledOutputNs - 1000000));
}

TEST(OutputClockRequests, aDeviceAskingAtItsOwnPaceTimesTheSampleWhereNoServerSays) {
    // Through ALSA the server's latency cannot be read at a block's request; the
    // requests come at the output's pace, a few ms late at times and 40 ms late now
    // and then. The output runs 400 ppm fast, as PulseAudio's null sink does.
    std::vector<double> driftMs;
    for (bool byRequests : {true, false}) {
        SCOPED_TRACE(byRequests ? "timed by requests" : "frame for frame");
        SimulatedOutput output;
        output.ppm = 400.0;
        output.requestJitterMs = 4.0;
        output.lateEvery = 23;
        output.lateMs = 40.0;
        OutputClock clock(kRateHz, [&output] { return output.nowNs; });
        clock.setOutputLatency(static_cast<int>(output.heldFrames));
        clock.setRequestTiming(byRequests);
        PacedSample sample = sampleStartedOn(output);
        playBlocks(clock, output, sample, 20 * kRateHz / kBlockFrames);
        EXPECT_EQ(clock.pacesSamples(), byRequests);
        // Where the requests place what is heard rests on the latency set, which a
        // server's readings may move by milliseconds: that moves no sample.
        clock.setOutputLatency(static_cast<int>(output.heldFrames) + 320);
        const size_t minuteStart = sample.errorsMs.size();
        playBlocks(clock, output, sample, 60 * kRateHz / kBlockFrames);
        driftMs.push_back(sample.errorsMs.back() - sample.errorsMs[minuteStart]);
        if (!byRequests) {
            continue;
        }
        // Paced, the sample keeps about the offset it had when its pace was first set
        // (after 4 s of frame for frame; the fit firms up over its first 16 s), and holds
        // it all minute.
        double farthestMs = 0.0, worstMs = 0.0;
        for (size_t i = minuteStart; i < sample.errorsMs.size(); ++i) {
            farthestMs = std::max(farthestMs, std::fabs(sample.errorsMs[i]));
            worstMs = std::max(worstMs, std::fabs(sample.errorsMs[i] - sample.errorsMs[minuteStart]));
        }
        std::printf("at most %.2f ms off, %.2f ms from where the minute began, drift %.2f ms\n", farthestMs,
                    worstMs, driftMs.back());
        EXPECT_LT(farthestMs, 2.0);
        EXPECT_LT(worstMs, 1.0);
        EXPECT_LT(std::fabs(driftMs.back()), 1.0);
    }
    // Played frame for frame, the sample runs ahead with the output: 24 ms in the minute.
    EXPECT_NEAR(driftMs.back(), 24.0, 1.0);
}

TEST(OutputClockRequests, anOutputThatStallsIsFollowedAtOncePaceKept) {
    // A server held up for 40 ms (PipeWire's, which reports no latency for the stream)
    // plays everything after that much later, and asks for it that much later: the
    // sample, paced by the requests, is brought back to the clock as fast as its pace
    // allows, from the moment the requests agree on it, without playing frame for
    // frame again while a new fit builds up.
    SimulatedOutput output;
    output.ppm = -150.0;
    output.requestJitterMs = 8.0;
    OutputClock clock(kRateHz, [&output] { return output.nowNs; });
    clock.setOutputLatency(static_cast<int>(output.heldFrames));
    clock.setRequestTiming(true);
    PacedSample sample = sampleStartedOn(output);
    playBlocks(clock, output, sample, 20 * kRateHz / kBlockFrames);
    ASSERT_TRUE(clock.pacesSamples());
    ASSERT_LT(std::fabs(sample.errorsMs.back()), 1.0);

    output.stallFrame = static_cast<double>(output.writtenFrames);
    output.stallMs = 40.0;
    std::vector<double> errorsMs;
    for (int block = 0; block < 32 * kRateHz / kBlockFrames; ++block) {
        playBlocks(clock, output, sample, 1);
        EXPECT_TRUE(clock.pacesSamples()) << "block " << block << " after the stall";
        errorsMs.push_back(sample.errorsMs.back());
    }
    // Heard 40 ms late at first; 2 ms a second is the fastest it is brought back, less
    // the 150 ppm the output runs slow.
    EXPECT_NEAR(errorsMs[1], -40.0, 2.0);
    const int second = kRateHz / kBlockFrames;
    EXPECT_LT(std::fabs(errorsMs[12 * second]), 24.0);
    EXPECT_LT(std::fabs(errorsMs.back()), 1.0);
}
