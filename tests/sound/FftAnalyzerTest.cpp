#include "sound/audio/FftAnalyzer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;

std::vector<float> sineWindow(double frequencyHz, double amplitude, int rateHz) {
    std::vector<float> window(kFftSize);
    for (int n = 0; n < kFftSize; ++n) {
        window[n] = static_cast<float>(amplitude * std::sin(2.0 * kPi * frequencyHz * n / rateHz));
    }
    return window;
}

std::vector<float> analyze(const std::vector<float>& window) {
    FftAnalyzer analyzer;
    std::vector<float> out(kSpectrumBinCount, -1.0f);
    analyzer.analyze(window.data(), out.data());
    return out;
}

int loudestBin(const std::vector<float>& spectrum) {
    int best = 0;
    for (int k = 1; k < kSpectrumBinCount; ++k) {
        if (spectrum[k] > spectrum[best]) {
            best = k;
        }
    }
    return best;
}

}  // namespace

TEST(Spectrum, fullScaleSinePeaksAtItsBinWithHalfOnEitherSide) {
    // 1000 Hz at 32 kHz is bin 1000 x 1024 / 32000 = 32 exactly.
    std::vector<float> spectrum = analyze(sineWindow(1000.0, 1.0, 32000));
    EXPECT_EQ(loudestBin(spectrum), 32);
    EXPECT_NEAR(spectrum[32], 1.0f, 1e-3);
    EXPECT_NEAR(spectrum[31], 0.5f, 1e-3);
    EXPECT_NEAR(spectrum[33], 0.5f, 1e-3);
    // Away from the main lobe, the Hann window leaves next to nothing.
    EXPECT_LT(spectrum[29], 1e-3);
    EXPECT_LT(spectrum[40], 1e-3);
    EXPECT_LT(spectrum[0], 1e-3);
}

TEST(Spectrum, halfAmplitudeHalvesEveryBin) {
    std::vector<float> full = analyze(sineWindow(1000.0, 1.0, 32000));
    std::vector<float> half = analyze(sineWindow(1000.0, 0.5, 32000));
    for (int k = 30; k <= 34; ++k) {
        EXPECT_NEAR(half[k], full[k] * 0.5f, 1e-4) << k;
    }
}

TEST(Spectrum, binFrequencyIsKTimesRateOver1024) {
    // Bin 100 at 32 kHz is 3125 Hz; bin 10 is 312.5 Hz.
    EXPECT_EQ(loudestBin(analyze(sineWindow(3125.0, 0.8, 32000))), 100);
    EXPECT_EQ(loudestBin(analyze(sineWindow(312.5, 0.8, 32000))), 10);
    EXPECT_EQ(loudestBin(analyze(sineWindow(15000.0, 0.8, 32000))), 480);
}

TEST(Spectrum, silenceGivesZeros) {
    std::vector<float> spectrum = analyze(std::vector<float>(kFftSize, 0.0f));
    for (int k = 0; k < kSpectrumBinCount; ++k) {
        ASSERT_EQ(spectrum[k], 0.0f) << k;
    }
}

TEST(Spectrum, valuesAreClampedToOne) {
    std::vector<float> spectrum = analyze(sineWindow(1000.0, 3.0, 32000));
    EXPECT_EQ(spectrum[32], 1.0f);
    EXPECT_EQ(spectrum[31], 1.0f);  // 1.5 before clamping
    for (float value : spectrum) {
        ASSERT_LE(value, 1.0f);
        ASSERT_GE(value, 0.0f);
    }
}

TEST(Spectrum, brokenInputReadsAsZeroNotNaN) {
    std::vector<float> window = sineWindow(1000.0, 0.5, 32000);
    window[500] = std::numeric_limits<float>::quiet_NaN();
    std::vector<float> spectrum = analyze(window);
    for (float value : spectrum) {
        ASSERT_FALSE(std::isnan(value));
    }
}

TEST(Spectrum, monoWindowAveragesTheSidesAndPadsOutsideWithSilence) {
    // Three stereo frames: (1, 0), (0.5, 0.25), (-1, 0.5).
    const float stereo[] = {1.0f, 0.0f, 0.5f, 0.25f, -1.0f, 0.5f};
    std::vector<float> window(kFftSize, 7.0f);
    gatherMonoWindow(stereo, 3, 2, window.data());  // frames -1022 .. 1
    EXPECT_EQ(window[kFftSize - 1], 0.375f);        // frame 1
    EXPECT_EQ(window[kFftSize - 2], 0.5f);          // frame 0
    EXPECT_EQ(window[kFftSize - 3], 0.0f);          // frame -1: before the start
    gatherMonoWindow(stereo, 3, kFftSize + 1, window.data());  // frames 1 .. 1024
    EXPECT_EQ(window[0], 0.375f);
    EXPECT_EQ(window[1], -0.25f);
    EXPECT_EQ(window[2], 0.0f);  // frame 3: past the end
}
