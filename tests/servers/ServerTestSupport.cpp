#include "tests/servers/ServerTestSupport.h"

#include "sound/AudioLibrary.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <fstream>

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

bool timingIsChecked(double load, double longestStallMs) {
    return load <= kCrowdedLoadPerCore && longestStallMs < kMachineStallMs && !kUnderThreadSanitizer &&
           !kUnderAddressSanitizer;
}

float spectrumToleranceMs() {
    return timingIsChecked(loadPerCore()) ? 40.0f : 1e6f;
}

std::string whereUnmatched(const RecordingMatch& match, int rateHz) {
    std::string where = std::to_string(match.unmatchedFrames) + " unmatched frames";
    const long long firstMatched = match.segments.empty() ? 0 : match.segments[0].recordingFrame;
    int listed = 0;
    for (const UnmatchedSpan& span : match.unmatchedSpans) {
        if (++listed > 10) {
            return where + "; and more";
        }
        char line[160];
        std::snprintf(line, sizeof line, "; %lld at %.3f s after the first matched frame, %.3f s before the last heard",
                      span.soundingFrames, static_cast<double>(span.recordingFrame - firstMatched) / rateHz,
                      static_cast<double>(match.lastRecordingFrame - span.recordingFrame) / rateHz);
        where += line;
    }
    return where;
}

std::string describeJumps(const RecordingMatch& match, int rateHz) {
    std::string where = std::to_string(match.jumpCount()) + " jumps";
    for (size_t i = 1; i < match.segments.size() && i <= 10; ++i) {
        char line[120];
        std::snprintf(line, sizeof line, "; at %.3f s by %lld frames",
                      static_cast<double>(match.segments[i].recordingFrame) / rateHz,
                      match.segments[i].lagFrames - match.segments[i - 1].lagFrames);
        where += line;
    }
    return where;
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

SpectrumFollower::SpectrumFollower(const TrackAnalysis& analysis)
    : analysis(analysis), firstSoundingFrame(AUDIO_GetMixedFrames()) {}

double residualLimitDb(const RecordingMatch& match, double exactLimitDb) {
    return match.driftFrames != 0.0 ? std::max(exactLimitDb, -40.0) : exactLimitDb;
}

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
    // Playback may run a little fast or slow to keep pace with the clock: the track
    // time is where the channel is at the window's end, not the frames mixed since its start.
    double sampleFrame = AUDIO_GetChannelSampleFrame(0, endFrame);
    double heardSeconds = (sampleFrame >= 0.0 ? sampleFrame : static_cast<double>(endFrame - startFrame)) /
                          analysis.mixRateHz();
    lastMs = static_cast<float>((heardSeconds - t) * 1000.0);
    firstMs = checks == 0 ? lastMs : firstMs;
    totalMs += std::fabs(lastMs);
    ++checks;
    // Played frame for frame the window is the track's exactly. Paced to the clock,
    // the track is heard up to 0.2 % fast or slow: that moves a narrow peak at 10 kHz
    // by a sixth of a bin, and a loud one at 1 kHz by a few percent of its level.
    // There the bins below 4 kHz are compared, to 5 % of their level. Under
    // ThreadSanitizer, where the audio thread runs several times slower, the pace
    // can move on between the window taken and the frame asked for here, and
    // bins stood up to a third past that: there the paced check is twice as wide.
#if defined(__SANITIZE_THREAD__)
    constexpr float kPacedWidening = 2.0f;
#else
    constexpr float kPacedWidening = 1.0f;
#endif
    bool paced = sampleFrame >= 0.0 && sampleFrame != static_cast<double>(endFrame - startFrame);
    int comparedBins = paced ? kSpectrumBinCount / 4 : kSpectrumBinCount;
    float offline[kSpectrumBinCount];
    analysis.spectrumAt(heardSeconds, offline);
    for (int k = 0; k < comparedBins; ++k) {
        float tolerance = paced ? kPacedWidening * (5e-4f + 0.05f * offline[k]) : 1e-4f;
        ASSERT_NEAR(spectrum[k], offline[k], tolerance) << "bin " << k << " at " << t << " s";
    }
    if (t - loudestSince > 1.0f) {
        loudestSince = t;
        loudest = 0.0f;
    }
    loudest = std::max(loudest, *std::max_element(spectrum, spectrum + kSpectrumBinCount));
}

void routeOutputTo(SoundServer& server, const char* driver) {
    server.applyToThisProcess();
    setenv("SDL_AUDIODRIVER", driver, 1);
}

namespace {

void SDLCALL silence(void*, Uint8* stream, int byteCount) {
    SDL_memset(stream, 0, static_cast<size_t>(byteCount));
}

}  // namespace

SDL_AudioDeviceID openSilentOutput() {
    EXPECT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    SDL_AudioSpec want = {};
    want.freq = 32000;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 4096;
    want.callback = silence;
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    EXPECT_NE(device, 0u) << SDL_GetError();
    SDL_PauseAudioDevice(device, 0);
    return device;
}

void closeSilentOutput(SDL_AudioDeviceID device) {
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
