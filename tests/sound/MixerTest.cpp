// The mixer driven by hand, block by block, at the edges: a sample shorter than the
// output's latency, samples that are not numbers, and high mix rates with a long
// output latency.
#include "sound/audio/DriverLatency.h"
#include "sound/audio/FftAnalyzer.h"
#include "sound/audio/HeardSpectrum.h"
#include "sound/audio/LibraryHandles.h"
#include "sound/audio/Mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {

// A stereo sine of amplitude 0.5, whole at rateHz.
void fillWithTone(LoadedSample& sample, double hz, int rateHz, double seconds) {
    PcmData pcm;
    pcm.rateHz = rateHz;
    const long long frameCount = std::llround(seconds * rateHz);
    pcm.frames.resize(static_cast<size_t>(frameCount) * 2);
    for (long long n = 0; n < frameCount; ++n) {
        const float value = static_cast<float>(0.5 * std::sin(2.0 * M_PI * hz * n / rateHz));
        pcm.frames[2 * n] = pcm.frames[2 * n + 1] = value;
    }
    sample.setWhole(std::move(pcm));
}

// Mixes blockCount blocks; every frame mixed, interleaved.
std::vector<float> mixBlocks(Mixer& mixer, int blockCount, int blockFrames) {
    std::vector<float> all, out(static_cast<size_t>(blockFrames) * 2);
    for (int i = 0; i < blockCount; ++i) {
        mixer.render(out.data(), blockFrames);
        all.insert(all.end(), out.begin(), out.end());
    }
    return all;
}

double energyOf(const std::vector<float>& frames) {
    double sum = 0.0;
    for (float value : frames) {
        sum += static_cast<double>(value) * value;
    }
    return sum;
}

}  // namespace

TEST(MixerStart, aSampleShorterThanTheOutputLatencyIsHeardWholeAndLate) {
    constexpr int kBlockFrames = 512;
    Mixer mixer(32000, 4, kBlockFrames);
    mixer.setOutputLatency(2720);  // 85 ms, as PulseAudio holds
    mixBlocks(mixer, 10, kBlockFrames);
    for (double seconds : {0.05, 0.08}) {
        SCOPED_TRACE(seconds);
        LoadedSample shortSample;
        fillWithTone(shortSample, 1000.0, 32000, seconds);
        int error = 0;
        ASSERT_EQ(mixer.startSample(FSOUND_FREE, &shortSample, Mixer::nowNs(), error), 0);
        EXPECT_TRUE(mixer.isChannelPlaying(0));
        // Its start is heard late, by the output's latency at most, but all of it is heard.
        EXPECT_EQ(mixer.channelStartFrame(0), mixer.mixedFrames());
        std::vector<float> mixed = mixBlocks(mixer, 8, kBlockFrames);
        EXPECT_NEAR(energyOf(mixed), energyOf(shortSample.pcm.frames), 1e-3);
        EXPECT_FALSE(mixer.isChannelPlaying(0));
    }
    // A longer one still starts as far in as the output lags, to keep the clock.
    LoadedSample longSample;
    fillWithTone(longSample, 1000.0, 32000, 1.0);
    int error = 0;
    ASSERT_EQ(mixer.startSample(FSOUND_FREE, &longSample, Mixer::nowNs(), error), 0);
    const long long lead = mixer.mixedFrames() - mixer.channelStartFrame(0);
    EXPECT_GE(lead, 2720);
    EXPECT_LE(lead, 2720 + kBlockFrames + 320);  // the latency, the block being heard, 10 ms of slack
}

TEST(MixerOutput, aSampleThatIsNotANumberLeavesTheMixAsSilenceAndTheSpectrumWhole) {
    constexpr int kBlockFrames = 512;
    Mixer mixer(32000, 4, kBlockFrames);
    LoadedSample tone;
    fillWithTone(tone, 1000.0, 32000, 1.0);
    const float kInfinity = std::numeric_limits<float>::infinity();
    const float kNotANumber = std::numeric_limits<float>::quiet_NaN();
    // Frames 600, 601 and 602 of the mix: NaN on the left, +inf on both sides, -inf on the right.
    tone.pcm.frames[1200] = kNotANumber;
    tone.pcm.frames[1202] = tone.pcm.frames[1203] = kInfinity;
    tone.pcm.frames[1205] = -kInfinity;
    int error = 0;
    // Called "later" than now, the start skips nothing: the sample's frame n is mix frame n.
    ASSERT_EQ(mixer.startSample(0, &tone, Mixer::nowNs() + 1000000000LL, error), 0);
    ASSERT_EQ(mixer.channelStartFrame(0), 0);
    std::vector<float> mixed = mixBlocks(mixer, 4, kBlockFrames);
    for (size_t i = 0; i < mixed.size(); ++i) {
        ASSERT_TRUE(std::isfinite(mixed[i])) << i;
    }
    EXPECT_EQ(mixed[1200], 0.0f);
    EXPECT_EQ(mixed[1201], tone.pcm.frames[1201]);  // the other side of a frame keeps its sound
    EXPECT_EQ(mixed[1202], 0.0f);
    EXPECT_EQ(mixed[1203], 0.0f);
    EXPECT_EQ(mixed[1204], tone.pcm.frames[1204]);
    EXPECT_EQ(mixed[1205], 0.0f);
    EXPECT_LE(mixer.takePeak(), 0.5f);
    // The window that holds them still shows the tone, at bin 32.
    float window[kFftSize];
    std::vector<float> spectrum(kSpectrumBinCount);
    ASSERT_TRUE(mixer.copyMonoWindow(1100, window));
    FftAnalyzer().analyze(window, spectrum.data());
    for (float magnitude : spectrum) {
        ASSERT_TRUE(std::isfinite(magnitude));
    }
    EXPECT_EQ(std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin(), 32);
    EXPECT_NEAR(spectrum[32], 0.5f, 0.01f);
}

TEST(MixerSpectrum, theHeardWindowIsKeptAtHighRatesWithALongLatency) {
    constexpr int kBlockFrames = 4096;
    // The fixed ALSA figure comes from the blocks SDL and ALSA's plugin hold, so it
    // keeps its share of time at any rate, and any block size.
    EXPECT_EQ(fixedLatencyFrames("alsa", 32000, 4096), 12352);  // 386 ms, as measured
    EXPECT_EQ(fixedLatencyFrames("alsa", 192000, 4096), 3 * 4096 + 384);
    EXPECT_EQ(fixedLatencyFrames("alsa", 48000, 1024), 3 * 1024 + 96);
    EXPECT_EQ(fixedLatencyFrames("dummy", 192000, 4096), 0);
    for (int rateHz : {32000, 96000, 192000}) {
        SCOPED_TRACE(rateHz);
        Mixer mixer(rateHz, 4, kBlockFrames);
        // A server reading of 400 ms: more than any output here has shown.
        mixer.setOutputLatency(rateHz * 2 / 5);
        LoadedSample tone;
        // 3000 Hz lands on bin 96 at 32 kHz; at the other rates, at 3000 x 1024 / rate.
        fillWithTone(tone, 3000.0, rateHz, 2.0);
        int error = 0;
        ASSERT_EQ(mixer.startSample(0, &tone, Mixer::nowNs(), error), 0);
        mixBlocks(mixer, rateHz / kBlockFrames + 1, kBlockFrames);  // a second
        FftAnalyzer analyzer;
        std::vector<float> magnitudes(kSpectrumBinCount);
        HeardSpectrum spectrum{magnitudes.data(), -1};
        ASSERT_TRUE(refreshHeardSpectrum(mixer, 0, analyzer, spectrum));
        EXPECT_GT(spectrum.endFrame, kFftSize);
        int bin = static_cast<int>(std::lround(3000.0 * kFftSize / rateHz));
        EXPECT_EQ(std::max_element(magnitudes.begin(), magnitudes.end()) - magnitudes.begin(), bin);
    }
}

TEST(MixerFrozenOutput, keepingUpOnTheWallClockMovesWhatIsHeardAndKeepsItsSampleFrameKnown) {
    constexpr int kBlockFrames = 4096;
    long long nowNs = 1000000000LL;
    Mixer mixer(32000, 4, kBlockFrames, [&nowNs] { return nowNs; });
    mixer.setOutputLatency(2720);
    LoadedSample tone;
    fillWithTone(tone, 1000.0, 32000, 10.0);
    int error = 0;
    ASSERT_EQ(mixer.startSample(0, &tone, nowNs, error), 0);
    std::vector<float> out(kBlockFrames * 2);
    for (int block = 0; block < 8; ++block, nowNs += 128000000) {
        mixer.render(out.data(), kBlockFrames);
    }
    // The device stops asking; whoever notices keeps the mix on the wall clock, called
    // often (every 5 ms, as a frame loop reads the spectrum).
    mixer.setClockPacing(true);
    const long long heardAtFreeze = mixer.heardFrame();
    for (int call = 0; call < 400; ++call) {
        nowNs += 5000000;
        mixer.keepUpWithClock();
        const long long heard = mixer.heardFrame();
        ASSERT_GE(mixer.mixedFrames(), heard + 2720) << call;  // the latency ahead of what is heard
        // The channel's frame at the heard one is known: the mix is not cut into slivers.
        ASSERT_GE(mixer.channelSampleFrame(0, heard), 0.0) << call;
    }
    // Two seconds went by, and what is heard moved on by them.
    EXPECT_NEAR(mixer.heardFrame() - heardAtFreeze, 2.0 * 32000, 32);
}
