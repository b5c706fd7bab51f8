// The library's spectrum of what is heard, against a mixer driven by hand: a
// fresh window is analysed once, and a window the ring no longer holds keeps
// the spectrum shown before instead of mixing two moments.
#include "sound/audio/FftAnalyzer.h"
#include "sound/audio/HeardSpectrum.h"
#include "sound/audio/Mixer.h"
#include "sound/SoundFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int kBlockFrames = 512;

// A 1000 Hz stereo tone at the mix rate: bin 32 of the spectrum.
void fillWithTone(LoadedSample& sample, double seconds) {
    PcmData pcm;
    pcm.rateHz = kMixRateHz;
    const int frameCount = static_cast<int>(seconds * kMixRateHz);
    pcm.frames.resize(static_cast<size_t>(frameCount) * 2);
    for (int n = 0; n < frameCount; ++n) {
        const float value = static_cast<float>(0.5 * std::sin(2.0 * M_PI * 1000.0 * n / kMixRateHz));
        pcm.frames[2 * n] = pcm.frames[2 * n + 1] = value;
    }
    sample.setWhole(std::move(pcm));
}

void mixBlocks(Mixer& mixer, int blockCount) {
    std::vector<float> out(kBlockFrames * 2);
    for (int i = 0; i < blockCount; ++i) {
        mixer.render(out.data(), kBlockFrames);
    }
}

}  // namespace

TEST(HeardSpectrum, analysesEachHeardWindowOnceAndKeepsTheLastWhenTheRingHasMovedOn) {
    Mixer mixer(kMixRateHz, 4, kBlockFrames);
    LoadedSample tone;
    fillWithTone(tone, 3.0);
    int error = 0;
    ASSERT_EQ(mixer.startSample(0, &tone, Mixer::nowNs(), error), 0);
    mixBlocks(mixer, 140);  // more than the ring holds
    // A block after it was asked for, the heard frame stands at the end of the mix
    // until the next block: the frames below no longer move with the clock.
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    FftAnalyzer analyzer;
    std::vector<float> magnitudes(kSpectrumBinCount, -1.0f);
    HeardSpectrum spectrum{magnitudes.data(), -1};

    const long long delayFrames = 3 * kBlockFrames;
    ASSERT_TRUE(refreshHeardSpectrum(mixer, delayFrames, analyzer, spectrum));
    EXPECT_EQ(mixer.heardFrame(), mixer.mixedFrames());
    EXPECT_EQ(spectrum.endFrame, mixer.mixedFrames() - delayFrames);
    EXPECT_EQ(std::max_element(magnitudes.begin(), magnitudes.end()) - magnitudes.begin(), 32);
    EXPECT_NEAR(magnitudes[32], 0.5f, 0.01f);

    // Same heard frame: nothing is analysed again.
    magnitudes[0] = -7.0f;
    EXPECT_TRUE(refreshHeardSpectrum(mixer, delayFrames, analyzer, spectrum));
    EXPECT_EQ(magnitudes[0], -7.0f);

    // A window further back than the ring reaches is gone: the spectrum and the
    // frame it describes stay as they were.
    const long long shownEnd = spectrum.endFrame;
    EXPECT_FALSE(refreshHeardSpectrum(mixer, 65536, analyzer, spectrum));
    EXPECT_EQ(spectrum.endFrame, shownEnd);
    EXPECT_EQ(magnitudes[0], -7.0f);
    EXPECT_NEAR(magnitudes[32], 0.5f, 0.01f);
}
