#include "tests/servers/ServerTestSupport.h"

#include "sound/AudioLibrary.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <thread>

const char* const kTrackPath = "data/sound/tamokrelu.mp3";

namespace {

// The demo's paths are relative to the content folder, so the tests run there.
struct InContentFolder : testing::Environment {
    void SetUp() override { ASSERT_EQ(chdir(MORVEL_E2E_ROOT), 0); }
};

testing::Environment* const kInContentFolder = testing::AddGlobalTestEnvironment(new InContentFolder);

}  // namespace

const TrackAnalysis& track() {
    static TrackAnalysis* analysis = [] {
        TrackAnalysis* loaded = new TrackAnalysis;
        EXPECT_TRUE(loaded->load(kTrackPath));
        return loaded;
    }();
    return *analysis;
}

const std::vector<float>& trackFrames() {
    static const std::vector<float> frames(track().frames(), track().frames() + 2 * track().frameCount());
    return frames;
}

double loadPerCore() {
    double load = 0.0;
    std::ifstream("/proc/loadavg") >> load;
    return load / std::max(1u, std::thread::hardware_concurrency());
}

float spectrumToleranceMs() {
    return loadPerCore() > kCrowdedLoadPerCore ? 1e6f : 40.0f;
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

SpectrumFollower::SpectrumFollower(const TrackAnalysis& analysis)
    : analysis(analysis), firstSoundingFrame(AUDIO_GetMixedFrames()) {}

void SpectrumFollower::check(const float* spectrum, float t) {
    ASSERT_NE(spectrum, nullptr);
    long long endFrame = AUDIO_GetSpectrumEndFrame();
    long long startFrame = AUDIO_GetChannelStartFrame(0);
    // What was on its way when play started is silence in the mix, in place of the
    // track's first frames, which are skipped: windows reaching into it differ. (The
    // start frame itself is negative when the output held more than was mixed then.)
    if (endFrame - kFftSize < firstSoundingFrame || AUDIO_IsChannelPlaying(0) == 0) {
        return;
    }
    double heardSeconds = static_cast<double>(endFrame - startFrame) / analysis.mixRateHz();
    lastMs = static_cast<float>((heardSeconds - t) * 1000.0);
    firstMs = checks == 0 ? lastMs : firstMs;
    totalMs += std::fabs(lastMs);
    ++checks;
    float offline[kSpectrumBinCount];
    analysis.spectrumAt(heardSeconds, offline);
    for (int k = 0; k < kSpectrumBinCount; ++k) {
        ASSERT_NEAR(spectrum[k], offline[k], 1e-4f) << "bin " << k << " at " << t << " s";
    }
    if (t - loudestSince > 1.0f) {
        loudestSince = t;
        loudest = 0.0f;
    }
    loudest = std::max(loudest, *std::max_element(spectrum, spectrum + kSpectrumBinCount));
}
