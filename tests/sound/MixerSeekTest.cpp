// Seeking and pausing a channel, driven block by block on a clock the test moves:
// the sample frame heard at any moment must be the one the clock says, however the
// channel was moved. A ramp sample says which of its frames each output frame is.
#include "sound/audio/LibraryHandles.h"
#include "sound/audio/Mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr int kRateHz = 32000;
constexpr int kBlockFrames = 512;
constexpr long long kBlockNs = 16000000;  // 512 frames at 32 kHz
constexpr int kRampPeriod = 32768;

// Frame n reads (1 + n mod kRampPeriod) / 65536 on both sides: never silence, exact in a float.
void fillWithRamp(LoadedSample& sample, long long frameCount) {
    PcmData pcm;
    pcm.rateHz = kRateHz;
    pcm.frames.resize(static_cast<size_t>(frameCount) * 2);
    for (long long n = 0; n < frameCount; ++n) {
        pcm.frames[2 * n] = pcm.frames[2 * n + 1] = static_cast<float>(1 + n % kRampPeriod) / 65536.0f;
    }
    sample.setWhole(std::move(pcm));
}

// The ramp frame (mod kRampPeriod) an output value came from, or -1 for silence.
long long rampFrameOf(float value) {
    return value == 0.0f ? -1 : std::lround(value * 65536.0f) - 1;
}

class MixerSeek : public testing::Test {
protected:
    MixerSeek() : mixer(kRateHz, 2, kBlockFrames, [this] { return nowNs; }) {
        mixer.setOutputLatency(2720);
        fillWithRamp(ramp, 20LL * kRateHz);
    }

    // Renders one block, keeping every mixed frame's left side, then moves the clock on.
    void renderBlock() {
        std::vector<float> out(2 * kBlockFrames);
        mixer.render(out.data(), kBlockFrames);
        for (int i = 0; i < kBlockFrames; ++i) {
            mixedLeft.push_back(out[2 * i]);
        }
        nowNs += kBlockNs;
    }

    // The ramp frame heard now, as the mixer places what is heard.
    long long heardRampFrame() const {
        const long long heard = mixer.heardFrame();
        return heard >= 0 && heard < static_cast<long long>(mixedLeft.size()) ? rampFrameOf(mixedLeft[heard]) : -2;
    }

    long long nowNs = 5000000000LL;
    Mixer mixer;
    LoadedSample ramp;
    std::vector<float> mixedLeft;
};

TEST_F(MixerSeek, aJumpIsHeardWhereTheClockSaysOnceTheOutputHasPlayedWhatItHeld) {
    int error = 0;
    ASSERT_EQ(mixer.startSample(0, &ramp, nowNs, error), 0);
    for (int block = 0; block < 10; ++block) {
        renderBlock();
    }
    for (long long target : {250000LL, 40000LL, 400000LL}) {
        SCOPED_TRACE(target);
        const long long seekNs = nowNs + 3000000;  // between two blocks' requests
        nowNs = seekNs;
        ASSERT_TRUE(mixer.seekChannel(0, target, seekNs));
        EXPECT_EQ(mixer.channelClockFrame(0, seekNs), target);
        const long long firstMixed = mixer.channelFirstMixedFrame(0);
        for (int block = 0; block < 12; ++block) {
            renderBlock();
            if (mixer.heardFrame() < firstMixed) {
                continue;  // the output still plays what it held before the jump
            }
            const long long expected = target + (nowNs - seekNs) / 31250;
            EXPECT_EQ(mixer.channelClockFrame(0, nowNs), expected);
            EXPECT_NEAR(heardRampFrame(), expected % kRampPeriod, 1) << "block " << block;
        }
    }
}

TEST_F(MixerSeek, aPausedChannelIsSilentAndResumesAtTheFrameItStoppedAt) {
    int error = 0;
    ASSERT_EQ(mixer.startSample(0, &ramp, nowNs, error), 0);
    for (int block = 0; block < 20; ++block) {
        renderBlock();
    }
    const long long pauseNs = nowNs + 1000000;
    nowNs = pauseNs;
    ASSERT_TRUE(mixer.pauseChannel(0, true, pauseNs));
    const long long pausedFrame = mixer.channelClockFrame(0, pauseNs);
    EXPECT_TRUE(mixer.isChannelPaused(0));
    EXPECT_TRUE(mixer.isChannelPlaying(0));
    const size_t mixedAtPause = mixedLeft.size();
    for (int block = 0; block < 30; ++block) {
        renderBlock();
        EXPECT_EQ(mixer.channelClockFrame(0, nowNs), pausedFrame);  // the clock does not move it
    }
    for (size_t i = mixedAtPause; i < mixedLeft.size(); ++i) {
        ASSERT_EQ(mixedLeft[i], 0.0f) << i;
    }
    const long long resumeNs = nowNs + 7000000;
    nowNs = resumeNs;
    ASSERT_TRUE(mixer.pauseChannel(0, false, resumeNs));
    const long long firstMixed = mixer.channelFirstMixedFrame(0);
    int checked = 0;
    for (int block = 0; block < 12; ++block) {
        renderBlock();
        if (mixer.heardFrame() >= firstMixed) {
            EXPECT_NEAR(heardRampFrame(), (pausedFrame + (nowNs - resumeNs) / 31250) % kRampPeriod, 1);
            ++checked;
        }
    }
    EXPECT_GT(checked, 5);
}

TEST_F(MixerSeek, anIdleChannelCannotBeMovedAndAJumpPastTheEndPlaysNothing) {
    EXPECT_FALSE(mixer.seekChannel(0, 100, nowNs));
    EXPECT_FALSE(mixer.pauseChannel(1, true, nowNs));
    EXPECT_FALSE(mixer.seekChannel(7, 100, nowNs));
    int error = 0;
    ASSERT_EQ(mixer.startSample(0, &ramp, nowNs, error), 0);
    ASSERT_TRUE(mixer.seekChannel(0, 21LL * kRateHz, nowNs));
    EXPECT_FALSE(mixer.isChannelPlaying(0));
}

}  // namespace
