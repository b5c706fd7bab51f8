// Vorbis files with more than two channels reach the stereo mix by their layout's
// channel order: each channel's own tone shows on the side it belongs to, at the
// level of the down-mix, and the LFE channel is left out.
#include "sound/audio/FftAnalyzer.h"
#include "sound/audio/OggDecoder.h"
#include "tests/support/SoundEncoders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int kRateHz = 32000;
constexpr double kAmplitude = 0.25;

// Vorbis channel order of each layout, by name; each channel gets the tone of its name,
// every one at a bin centre (bin k at k x 31.25 Hz).
const char* const kLayouts[][8] = {
    {},
    {"C"},
    {"FL", "FR"},
    {"FL", "C", "FR"},
    {"FL", "FR", "RL", "RR"},
    {"FL", "C", "FR", "RL", "RR"},
    {"FL", "C", "FR", "RL", "RR", "LFE"},
    {"FL", "C", "FR", "SL", "SR", "RC", "LFE"},
    {"FL", "C", "FR", "SL", "SR", "RL", "RR", "LFE"},
};

struct Speaker {
    const char* name;
    int bin;
    double toLeft, toRight;  // the expected share of its level on each side
};

const double kHalfPower = std::sqrt(0.5);
const Speaker kSpeakers[] = {
    {"FL", 16, 1.0, 0.0},          {"FR", 40, 0.0, 1.0},        {"C", 64, kHalfPower, kHalfPower},
    {"SL", 88, kHalfPower, 0.0},   {"SR", 112, 0.0, kHalfPower}, {"RL", 136, kHalfPower, 0.0},
    {"RR", 160, 0.0, kHalfPower}, {"RC", 184, 0.5, 0.5},         {"LFE", 4, 0.0, 0.0},
};

const Speaker& speaker(const std::string& name) {
    for (const Speaker& s : kSpeakers) {
        if (name == s.name) {
            return s;
        }
    }
    return kSpeakers[0];
}

// One second of the layout, each channel playing its speaker's tone.
std::vector<float> layoutTones(int channelCount) {
    std::vector<float> frames(static_cast<size_t>(kRateHz) * channelCount);
    for (int n = 0; n < kRateHz; ++n) {
        for (int c = 0; c < channelCount; ++c) {
            double hz = speaker(kLayouts[channelCount][c]).bin * kRateHz / double(kFftSize);
            frames[static_cast<size_t>(n) * channelCount + c] =
                static_cast<float>(kAmplitude * std::sin(2.0 * M_PI * hz * n / kRateHz));
        }
    }
    return frames;
}

// The spectrum of one side of decoded stereo frames, around their middle.
std::vector<float> sideSpectrum(const PcmData& pcm, int side) {
    std::vector<float> window(kFftSize), out(kSpectrumBinCount);
    long long first = pcm.frameCount() / 2;
    for (int n = 0; n < kFftSize; ++n) {
        window[n] = pcm.frames[2 * (first + n) + side];
    }
    FftAnalyzer().analyze(window.data(), out.data());
    return out;
}

}  // namespace

TEST(OggDownMix, eachChannelReachesItsSideAtItsLayoutsLevel) {
    for (int channelCount = 1; channelCount <= 8; ++channelCount) {
        SCOPED_TRACE(std::to_string(channelCount) + " channels");
        const soundencode::Bytes ogg =
            soundencode::encodeOggInterleaved(layoutTones(channelCount), channelCount, kRateHz, channelCount);
        ASSERT_FALSE(ogg.empty());
        PcmData pcm;
        ASSERT_EQ(decodeOgg(ogg.data(), ogg.size(), pcm), 0);
        EXPECT_EQ(pcm.sourceChannelCount, channelCount);
        EXPECT_NEAR(pcm.frameCount(), kRateHz, 2);
        const std::vector<float> left = sideSpectrum(pcm, 0), right = sideSpectrum(pcm, 1);
        // A mono file plays on both sides at its own level.
        const double monoShare = channelCount == 1 ? 1.0 : -1.0;
        for (int c = 0; c < channelCount; ++c) {
            const Speaker& s = speaker(kLayouts[channelCount][c]);
            SCOPED_TRACE(s.name);
            EXPECT_NEAR(left[s.bin], kAmplitude * (monoShare > 0 ? monoShare : s.toLeft), 0.02);
            EXPECT_NEAR(right[s.bin], kAmplitude * (monoShare > 0 ? monoShare : s.toRight), 0.02);
        }
    }
}
