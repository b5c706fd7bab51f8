// Paced playback reads the sample between its frames; what it reads must be the music.
#include "sound/audio/SincInterpolator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr double kRateHz = 32000.0;

std::vector<float> stereoSine(double hz, int frameCount) {
    std::vector<float> frames(2 * static_cast<size_t>(frameCount));
    for (int i = 0; i < frameCount; ++i) {
        frames[2 * i] = static_cast<float>(std::sin(2 * M_PI * hz * i / kRateHz));
        frames[2 * i + 1] = static_cast<float>(0.5 * std::cos(2 * M_PI * hz * i / kRateHz));
    }
    return frames;
}

}  // namespace

TEST(SincInterpolator, readsTonesBetweenFramesAsTheyWouldSoundThere) {
    const int frameCount = 2000;
    for (double hz : {50.0, 440.0, 3000.0, 10000.0, 14000.0}) {
        std::vector<float> frames = stereoSine(hz, frameCount);
        double worst = 0.0;
        for (double fraction : {0.0, 0.125, 0.37, 0.5, 0.81, 0.999}) {
            for (int position = 100; position < frameCount - 100; position += 7) {
                float left = 0.0f, right = 0.0f;
                SincInterpolator::read(frames.data(), frameCount, position, fraction, left, right);
                double phase = 2 * M_PI * hz * (position + fraction) / kRateHz;
                worst = std::max(worst, std::fabs(left - std::sin(phase)));
                worst = std::max(worst, std::fabs(right - 0.5 * std::cos(phase)));
            }
        }
        EXPECT_LT(worst, 1e-4) << hz << " Hz";  // 80 dB under the tone
    }
}

TEST(SincInterpolator, keepsTheLevelAndReadsSilenceBeyondTheReadyFrames) {
    std::vector<float> level(2 * 200, 0.25f);
    for (double fraction : {0.0, 0.3, 0.5, 0.9}) {
        float left = 0.0f, right = 0.0f;
        SincInterpolator::read(level.data(), 200, 100, fraction, left, right);
        EXPECT_NEAR(left, 0.25f, 1e-6f) << fraction;
        EXPECT_NEAR(right, 0.25f, 1e-6f) << fraction;
    }
    // Frames not ready yet (still being resampled) count as silence, never as whatever
    // the buffer holds: far past them only silence is read.
    float left = 1.0f, right = 1.0f;
    SincInterpolator::read(level.data(), 100, 100 + SincInterpolator::kTaps, 0.5, left, right);
    EXPECT_EQ(left, 0.0f);
    EXPECT_EQ(right, 0.0f);
    SincInterpolator::read(level.data(), 100, -SincInterpolator::kTaps, 0.5, left, right);
    EXPECT_EQ(left, 0.0f);
    // Halfway across the edge of the ready frames, half the window sees the level.
    SincInterpolator::read(level.data(), 100, 99, 0.5, left, right);
    EXPECT_NEAR(left, 0.125f, 0.01f);
}
