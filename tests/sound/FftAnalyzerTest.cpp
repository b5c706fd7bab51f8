#include "sound/audio/FftAnalyzer.h"

#include "tests/sound/TestAudioFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

std::vector<float> spectrumOf(double hz, double amplitude, int nanAt = -1) {
    std::vector<float> window(kFftSize), out(kSpectrumBinCount, -1.0f);
    for (int n = 0; n < kFftSize; ++n) {
        window[n] = static_cast<float>(amplitude * std::sin(2.0 * M_PI * hz * n / 32000));
    }
    if (nanAt >= 0) {
        window[nanAt] = std::numeric_limits<float>::quiet_NaN();
    }
    FftAnalyzer().analyze(window.data(), out.data());
    return out;
}

}  // namespace

TEST(FftAnalyzer, sinePeaksAtRateOver1024BinsWithHannSidesAndScalesWithAmplitude) {
    // Bin k is k x 32000 / 1024 Hz; a sine on a bin reads its amplitude there and half
    // of it in each neighbour, and next to nothing further out.
    for (auto [hz, bin] : {std::pair{1000.0, 32}, {3125.0, 100}, {312.5, 10}, {15000.0, 480}}) {
        for (double amplitude : {1.0, 0.5}) {
            std::vector<float> spectrum = spectrumOf(hz, amplitude);
            SCOPED_TRACE(testing::Message() << hz << " Hz at " << amplitude);
            EXPECT_EQ(soundtest::loudestBin(spectrum.data()), bin);
            EXPECT_NEAR(spectrum[bin], amplitude, 1e-3);
            EXPECT_NEAR(spectrum[bin - 1], amplitude / 2, 1e-3);
            EXPECT_NEAR(spectrum[bin + 1], amplitude / 2, 1e-3);
            EXPECT_LT(spectrum[bin - 3] + spectrum[bin + 8] + spectrum[0], 1e-3);
        }
    }
}

TEST(FftAnalyzer, silenceIsZerosLoudnessClampsToOneAndNaNReadsAsANumber) {
    for (float value : spectrumOf(0.0, 0.0)) {
        ASSERT_EQ(value, 0.0f);
    }
    std::vector<float> loud = spectrumOf(1000.0, 3.0);
    EXPECT_EQ(loud[32], 1.0f);
    EXPECT_EQ(loud[31], 1.0f);  // 1.5 before clamping
    for (float value : loud) {
        ASSERT_TRUE(value >= 0.0f && value <= 1.0f) << value;
    }
    for (float value : spectrumOf(1000.0, 0.5, 500)) {
        ASSERT_FALSE(std::isnan(value));
    }
}

TEST(FftAnalyzer, monoWindowAveragesTheSidesAndPadsOutsideWithSilence) {
    const float stereo[] = {1.0f, 0.0f, 0.5f, 0.25f, -1.0f, 0.5f};  // frames 0, 1, 2
    std::vector<float> window(kFftSize, 7.0f);
    gatherMonoWindow(stereo, 3, 2, window.data());  // frames -1022 .. 1
    EXPECT_EQ(window[kFftSize - 1], 0.375f);
    EXPECT_EQ(window[kFftSize - 2], 0.5f);
    EXPECT_EQ(window[kFftSize - 3], 0.0f);  // before the start
    gatherMonoWindow(stereo, 3, kFftSize + 1, window.data());  // frames 1 .. 1024
    EXPECT_EQ(window[0], 0.375f);
    EXPECT_EQ(window[1], -0.25f);
    EXPECT_EQ(window[2], 0.0f);  // past the end
}
