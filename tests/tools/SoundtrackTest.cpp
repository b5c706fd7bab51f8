// The finished soundtrack file: written once per test binary, then decoded and
// analysed through the sound layer the way the demo hears it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "sound/TrackAnalysis.h"
#include "sound/audio/Mp3Decoder.h"
#include "tools/assetgen/Soundtrack.h"
#include "tools/assetgen/SoundtrackScore.h"
#include "tools/assetgen/SynthMaster.h"

namespace {

std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The soundtrack written to a temporary file, removed when the binary exits.
// The process id keeps test processes that run at once apart.
struct WrittenTrack {
    std::string path;
    bool written = false;
    explicit WrittenTrack(const char* name) {
        const std::string file = std::string(name) + "-" + std::to_string(getpid()) + ".mp3";
        path = (std::filesystem::temp_directory_path() / file).string();
        written = writeSoundtrack(path);
    }
    ~WrittenTrack() { std::remove(path.c_str()); }
};

const WrittenTrack& track() {
    static WrittenTrack written("morvel-soundtrack-test");
    return written;
}

// The track decoded at its own rate (interleaved stereo).
const PcmData& decodedTrack() {
    static PcmData pcm = [] {
        PcmData out;
        std::vector<unsigned char> bytes = readBytes(track().path);
        decodeMp3(bytes.data(), bytes.size(), out);
        return out;
    }();
    return pcm;
}

StereoBuffer toStereoBuffer(const PcmData& pcm) {
    StereoBuffer buffer;
    buffer.resize(static_cast<std::size_t>(pcm.frameCount()));
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        buffer.left[i] = pcm.frames[2 * i];
        buffer.right[i] = pcm.frames[2 * i + 1];
    }
    return buffer;
}

// Mean square of both channels between two times.
double meanSquareBetween(const PcmData& pcm, double fromSeconds, double toSeconds) {
    const long long from = std::llround(fromSeconds * pcm.rateHz), to = std::llround(toSeconds * pcm.rateHz);
    double sum = 0.0;
    for (long long i = from; i < to && i < pcm.frameCount(); ++i) {
        sum += pcm.frames[2 * i] * pcm.frames[2 * i] + pcm.frames[2 * i + 1] * pcm.frames[2 * i + 1];
    }
    return sum / static_cast<double>(2 * std::max(to - from, 1LL));
}

// Spectrum entry `bin` every sixteenth of a beat between two times, as the demo would read it.
std::vector<double> entryEnvelope(const TrackAnalysis& spectrum, int bin, double fromSeconds, double toSeconds) {
    std::vector<double> envelope;
    std::vector<float> entries(512);
    const double firstStep = std::ceil((fromSeconds - kFirstBarSeconds) / (kBeatSeconds / 16.0));
    for (double step = firstStep; beatToSeconds(step / 16.0) < toSeconds; step += 1.0) {
        spectrum.spectrumAt(beatToSeconds(step / 16.0), entries.data());
        envelope.push_back(entries[bin]);
    }
    return envelope;
}

double autocorrelation(const std::vector<double>& values, std::size_t lag) {
    double mean = 0.0;
    for (double v : values) {
        mean += v;
    }
    mean /= static_cast<double>(values.size());
    double product = 0.0, variance = 0.0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        variance += (values[i] - mean) * (values[i] - mean);
        if (i + lag < values.size()) {
            product += (values[i] - mean) * (values[i + lag] - mean);
        }
    }
    return product / variance;
}

// Mean of the envelope over the given sixteenths of each beat.
double meanAtSteps(const std::vector<double>& envelope, int firstStep, int lastStep) {
    double sum = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < envelope.size(); ++i) {
        const int step = static_cast<int>(i % 16);
        if (step >= firstStep && step <= lastStep) {
            sum += envelope[i];
            ++count;
        }
    }
    return sum / std::max(count, 1);
}

// Every MPEG frame header of the file: MPEG-1 layer III, 192 kbps, 44.1 kHz, joint stereo.
void expectConstant192kbpsFrames(const std::vector<unsigned char>& bytes) {
    ASSERT_GT(bytes.size(), 4u);
    std::size_t position = 0, frameCount = 0;
    while (position + 4 <= bytes.size()) {
        const unsigned char* h = &bytes[position];
        ASSERT_EQ(h[0], 0xFF) << "no frame sync at byte " << position;
        ASSERT_EQ(h[1] & 0xFE, 0xFA) << "not MPEG-1 layer III at byte " << position;
        ASSERT_EQ(h[2] >> 4, 0xB) << "bit rate other than 192 kbps at byte " << position;
        ASSERT_EQ((h[2] >> 2) & 3, 0) << "sample rate other than 44.1 kHz at byte " << position;
        ASSERT_EQ(h[3] >> 6, 1) << "not joint stereo at byte " << position;
        position += 144 * 192000 / 44100 + ((h[2] >> 1) & 1);
        ++frameCount;
    }
    EXPECT_EQ(position, bytes.size());
    // 1152 samples per frame: about 62 seconds of frames.
    EXPECT_NEAR(frameCount * 1152.0 / 44100.0, 62.0, 0.2);
}

}  // namespace

// Runs are separate processes under CTest and each one renders the track, so
// the checks of one decoded file share a test.
TEST(Soundtrack, isAbout62SecondsOf192kbpsStereoThatNeverClipsSitsNearMinus14LufsAndFadesOut) {
    ASSERT_TRUE(track().written);
    expectConstant192kbpsFrames(readBytes(track().path));
    const PcmData& pcm = decodedTrack();
    EXPECT_EQ(pcm.rateHz, 44100);
    EXPECT_EQ(pcm.sourceChannelCount, 2);
    EXPECT_NEAR(static_cast<double>(pcm.frameCount()) / pcm.rateHz, 62.0, 0.1);

    const StereoBuffer decoded = toStereoBuffer(pcm);
    EXPECT_LT(peakLevel(decoded), dbToGain(-1.0));
    EXPECT_NEAR(integratedLoudnessLufs(decoded), -14.0, 1.0);

    // A quiet opening builds up into the two later sections; the end fades to silence.
    const double opening = meanSquareBetween(pcm, 0.0, 8.0);
    const double dub = meanSquareBetween(pcm, 29.0, 42.0);
    const double lift = meanSquareBetween(pcm, 44.0, 58.0);
    EXPECT_GT(dub, 4.0 * opening);
    EXPECT_GT(lift, 4.0 * opening);
    EXPECT_LT(meanSquareBetween(pcm, 60.5, 61.0), 0.25 * lift);
    EXPECT_LT(meanSquareBetween(pcm, 61.8, 62.0), 1e-4 * lift);
}

TEST(Soundtrack, lowestSpectrumEntryPulsesOnEveryBeatAndBassShakesEntriesThreeToFive) {
    ASSERT_TRUE(track().written);
    TrackAnalysis spectrum;
    ASSERT_TRUE(spectrum.load(track().path.c_str()));
    EXPECT_NEAR(spectrum.durationSeconds(), 62.0, 0.2);
    // The photo and shell scenes glow with entry 0.
    for (const auto& [from, to] : {std::pair{28.0, 43.0}, std::pair{43.0, 59.8}}) {
        SCOPED_TRACE(from);
        const std::vector<double> envelope = entryEnvelope(spectrum, 0, from, to);
        // One beat is 16 steps: the envelope repeats every beat and not every half beat.
        EXPECT_GT(autocorrelation(envelope, 16), 0.7);
        EXPECT_LT(autocorrelation(envelope, 8), 0.3);
        // Just after the kick the entry is high enough to brighten the glow visibly.
        const double onBeat = meanAtSteps(envelope, 1, 2);
        const double offBeat = meanAtSteps(envelope, 8, 12);
        EXPECT_GT(onBeat, 0.15);
        EXPECT_GT(onBeat, 4.0 * offBeat);
    }
    // The sphere shakes with entries 3 to 5 once the kick is in, and they stay busy later.
    for (int bin = 3; bin <= 5; ++bin) {
        SCOPED_TRACE(bin);
        const std::vector<double> sphere = entryEnvelope(spectrum, bin, 10.0, 27.5);
        const std::vector<double> later = entryEnvelope(spectrum, bin, 28.0, 59.5);
        EXPECT_GT(meanAtSteps(sphere, 0, 15), 0.02);
        EXPECT_GT(*std::max_element(sphere.begin(), sphere.end()), 0.1);
        EXPECT_GT(meanAtSteps(later, 0, 15), 0.03);
    }
}

TEST(Soundtrack, twoRunsWriteTheSameBytes) {
    ASSERT_TRUE(track().written);
    const WrittenTrack again("morvel-soundtrack-test-again");
    ASSERT_TRUE(again.written);
    const std::vector<unsigned char> first = readBytes(track().path), second = readBytes(again.path);
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(first == second);
}

TEST(Soundtrack, unwritablePathFailsWithoutAFile) {
    const std::string path = "/nonexistent-morvel-folder/tamokrelu.mp3";
    EXPECT_FALSE(writeSoundtrack(path));
    EXPECT_FALSE(std::filesystem::exists(path));
}
