// The soundtrack's instruments one note at a time: pitch, length, clean
// endings, and where their energy sits in the spectrum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "sound/audio/Mp3Decoder.h"
#include "tools/assetgen/SoundtrackMix.h"
#include "tools/assetgen/Synth.h"
#include "tools/assetgen/SynthDrums.h"
#include "tools/assetgen/SynthVoices.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Amplitude of the component at frequencyHz in samples [from, to), by a Hann-windowed single-bin DFT.
double amplitudeAt(const MonoBuffer& signal, double frequencyHz, std::size_t from, std::size_t to) {
    double re = 0.0, im = 0.0, windowSum = 0.0;
    const std::size_t count = to - from;
    for (std::size_t i = 0; i < count; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * i / (count - 1));
        const double angle = 2.0 * kPi * frequencyHz * i / kSynthRateHz;
        re += signal[from + i] * w * std::cos(angle);
        im -= signal[from + i] * w * std::sin(angle);
        windowSum += w;
    }
    return 2.0 * std::sqrt(re * re + im * im) / windowSum;
}

// Frequency from the upward zero crossings between two times.
double crossingHz(const MonoBuffer& signal, double fromSeconds, double toSeconds) {
    std::vector<std::size_t> crossings;
    for (std::size_t i = secondsToSamples(fromSeconds) + 1; i < secondsToSamples(toSeconds); ++i) {
        if (signal[i - 1] < 0.0f && signal[i] >= 0.0f) {
            crossings.push_back(i);
        }
    }
    if (crossings.size() < 2) {
        return 0.0;
    }
    return (crossings.size() - 1) * static_cast<double>(kSynthRateHz) / (crossings.back() - crossings.front());
}

// The frequency between loHz and hiHz (in 1 Hz steps) with the largest amplitude.
double strongestHz(const MonoBuffer& signal, std::size_t from, std::size_t to, double loHz, double hiHz) {
    double best = loHz, bestAmplitude = -1.0;
    for (double hz = loHz; hz <= hiHz; hz += 1.0) {
        const double amplitude = amplitudeAt(signal, hz, from, to);
        if (amplitude > bestAmplitude) {
            best = hz;
            bestAmplitude = amplitude;
        }
    }
    return best;
}

float peakOf(const MonoBuffer& sound) {
    float peak = 0.0f;
    for (float x : sound) {
        peak = std::max(peak, std::fabs(x));
    }
    return peak;
}

}  // namespace

TEST(SynthDrums, kickFallsFromAHighAttackToItsEndPitchAndPushesFirst) {
    KickShape shape;
    const MonoBuffer kick = renderKick(shape, 1);
    EXPECT_GT(crossingHz(kick, 0.0, 0.02), 110.0);
    EXPECT_NEAR(crossingHz(kick, 0.12, 0.4), shape.endHz, 3.0);
    // The thump makes the first 40 ms one net push, which the lowest spectrum entry sees.
    double sum = 0.0;
    for (std::size_t i = 0; i < secondsToSamples(shape.thumpSeconds); ++i) {
        sum += kick[i];
    }
    EXPECT_GT(sum / secondsToSamples(shape.thumpSeconds), 0.3);
}

TEST(SynthDrums, everyOneShotIsAudibleFiniteAndEndsInSilence) {
    const std::vector<MonoBuffer> sounds{renderKick(KickShape{}, 1), renderSnare(2), renderClap(3),
                                         renderHat(false, 4), renderHat(true, 5), renderRim(6), renderCrash(7),
                                         renderRiser(1.0, 8)};
    for (std::size_t s = 0; s < sounds.size(); ++s) {
        SCOPED_TRACE(s);
        const MonoBuffer& sound = sounds[s];
        ASSERT_FALSE(sound.empty());
        EXPECT_TRUE(std::all_of(sound.begin(), sound.end(), [](float x) { return std::isfinite(x); }));
        EXPECT_GT(peakOf(sound), 0.1f);
        EXPECT_LT(peakOf(sound), 2.5f);
        EXPECT_LT(std::fabs(sound.back()), 1e-3f);
    }
    EXPECT_GT(sounds[4].size(), 3 * sounds[3].size()) << "the open hat rings longer than the closed one";
}

TEST(SynthDrums, hatsSitHighAndTheKickLow) {
    const MonoBuffer hat = renderHat(true, 4);
    const MonoBuffer kick = renderKick(KickShape{}, 1);
    const std::size_t hatEnd = std::min<std::size_t>(hat.size(), 4096);
    EXPECT_GT(amplitudeAt(hat, 9500.0, 0, hatEnd), 10.0 * amplitudeAt(hat, 300.0, 0, hatEnd));
    EXPECT_GT(amplitudeAt(kick, 45.0, 2048, 2048 + 8192), 20.0 * amplitudeAt(kick, 2000.0, 2048, 2048 + 8192));
}

TEST(SynthDrums, riserGetsLouderTowardsItsEnd) {
    const MonoBuffer riser = renderRiser(2.0, 9);
    auto energy = [&riser](double from, double to) {
        double sum = 0.0;
        for (std::size_t i = secondsToSamples(from); i < secondsToSamples(to); ++i) {
            sum += riser[i] * riser[i];
        }
        return sum;
    };
    EXPECT_GT(energy(1.5, 1.95), 4.0 * energy(0.5, 0.95));
}

TEST(SynthVoices, bassSoundsAtItsNoteForItsGatePlusRelease) {
    const BassTone tone{300.0, 1000.0, 0.1, 1.2, 0.4};
    const MonoBuffer bass = renderBassNote(45, 0.5, 1.0, tone, 3);
    EXPECT_EQ(bass.size(), secondsToSamples(0.53));
    EXPECT_NEAR(strongestHz(bass, 2205, 19845, 40.0, 400.0), 110.0, 2.0);
    EXPECT_GT(amplitudeAt(bass, 110.0, 2205, 19845), 10.0 * amplitudeAt(bass, 55.0, 2205, 19845));
    EXPECT_LT(std::fabs(bass.back()), 1e-3f);
}

TEST(SynthVoices, padHoldsEveryChordToneAndLeadIsWide) {
    const std::array<int, 4> notes{57, 60, 64, 69};
    const StereoBuffer pad = renderPadChord(notes, 1.0, 0.05, [](double) { return 5000.0; }, 4);
    auto amplitude = [](const MonoBuffer& side, int note) { return amplitudeAt(side, noteHz(note), 4410, 4410 + 32768); };
    for (int note : notes) {
        EXPECT_GT(amplitude(pad.left, note), 0.01) << note;
        EXPECT_GT(amplitude(pad.right, note), 0.01) << note;
    }
    for (int outside : {58, 62, 66}) {
        EXPECT_LT(amplitude(pad.left, outside), 0.001) << outside;
    }
    const StereoBuffer lead = renderLeadNote(69, 0.5, 1.0, 5);
    double difference = 0.0, sum = 0.0;
    for (std::size_t i = 0; i < lead.size(); ++i) {
        difference += std::fabs(lead.left[i] - lead.right[i]);
        sum += std::fabs(lead.left[i] + lead.right[i]);
    }
    EXPECT_GT(difference, 0.1 * sum);
    EXPECT_NEAR(strongestHz(lead.left, 2205, 19845, 300.0, 1000.0), 440.0, 3.0);
}

TEST(SoundtrackMix, encodesABufferIntoMp3ThatDecodesToTheSameLengthAndPitch) {
    StereoBuffer buffer;
    buffer.resize(44100);
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        buffer.left[i] = static_cast<float>(0.5 * std::sin(2.0 * kPi * 440.0 * i / kSynthRateHz));
        buffer.right[i] = -buffer.left[i];
    }
    const std::vector<unsigned char> mp3 = encodeMp3(buffer, 192);
    ASSERT_GT(mp3.size(), 1000u);
    EXPECT_EQ(mp3[0], 0xFF);
    PcmData pcm;
    ASSERT_EQ(decodeMp3(mp3.data(), mp3.size(), pcm), 0);
    EXPECT_EQ(pcm.rateHz, 44100);
    // The Info tag lets the decoder drop the encoder's delay and padding.
    EXPECT_EQ(pcm.frameCount(), 44100);
    MonoBuffer left(pcm.frameCount()), right(pcm.frameCount());
    for (long long i = 0; i < pcm.frameCount(); ++i) {
        left[i] = pcm.frames[2 * i];
        right[i] = pcm.frames[2 * i + 1];
    }
    EXPECT_NEAR(amplitudeAt(left, 440.0, 4096, 40000), 0.5, 0.02);
    EXPECT_NEAR(left[22050], -right[22050], 0.02);
}
