// The soundtrack's building blocks: portable maths, oscillators, filters,
// envelopes, effects, mastering and the score's timing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "tools/assetgen/Adsr.h"
#include "tools/assetgen/NoiseSource.h"
#include "tools/assetgen/Oscillator.h"
#include "tools/assetgen/SoundtrackMix.h"
#include "tools/assetgen/SoundtrackParts.h"
#include "tools/assetgen/SoundtrackScore.h"
#include "tools/assetgen/StateVariableFilter.h"
#include "tools/assetgen/Synth.h"
#include "tools/assetgen/SynthEffects.h"
#include "tools/assetgen/SynthMaster.h"
#include "tools/assetgen/SynthMath.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Amplitude of the component at frequencyHz, by a Hann-windowed single-bin DFT.
double amplitudeAt(const MonoBuffer& signal, double frequencyHz) {
    double re = 0.0, im = 0.0, windowSum = 0.0;
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * i / (signal.size() - 1));
        const double angle = 2.0 * kPi * frequencyHz * i / kSynthRateHz;
        re += signal[i] * w * std::cos(angle);
        im -= signal[i] * w * std::sin(angle);
        windowSum += w;
    }
    return 2.0 * std::sqrt(re * re + im * im) / windowSum;
}

MonoBuffer sine(double frequencyHz, double amplitude, double seconds) {
    MonoBuffer out(secondsToSamples(seconds));
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<float>(amplitude * std::sin(2.0 * kPi * frequencyHz * i / kSynthRateHz));
    }
    return out;
}

StereoBuffer bothSides(const MonoBuffer& mono) {
    return {mono, mono};
}

}  // namespace

TEST(SynthMath, agreesWithTheCLibraryOverTheRangesTheSynthUses) {
    for (double x = -3000.0; x < 3000.0; x += 0.173) {
        ASSERT_NEAR(synthSin(x), std::sin(x), 1e-12) << x;
        ASSERT_NEAR(synthCos(x), std::cos(x), 1e-12) << x;
    }
    for (double x = -700.0; x < 700.0; x += 0.0937) {
        ASSERT_NEAR(synthExp(x) / std::exp(x), 1.0, 1e-14) << x;
    }
    for (double x = 1e-30; x < 1e30; x *= 1.93) {
        ASSERT_NEAR(synthLog(x), std::log(x), 1e-13) << x;
    }
    for (double x = 0.001; x < 1.5; x += 0.001) {
        ASSERT_NEAR(synthTan(x) / std::tan(x), 1.0, 1e-12) << x;
    }
    for (double x = -30.0; x < 30.0; x += 0.0107) {
        ASSERT_NEAR(synthTanh(x), std::tanh(x), 1e-15) << x;
    }
    EXPECT_NEAR(synthPow(2.0, 0.5), std::sqrt(2.0), 1e-15);
}

TEST(SynthMath, handlesTheEdgesOfItsDomain) {
    EXPECT_EQ(synthExp(0.0), 1.0);
    EXPECT_EQ(synthExp(-800.0), 0.0);
    EXPECT_TRUE(std::isinf(synthExp(800.0)));
    EXPECT_EQ(synthLog(1.0), 0.0);
    EXPECT_TRUE(std::isinf(synthLog(0.0)) && synthLog(0.0) < 0.0);
    EXPECT_TRUE(std::isnan(synthLog(-1.0)));
    EXPECT_TRUE(std::isnan(synthSin(INFINITY)));
    EXPECT_EQ(synthTanh(50.0), 1.0);
}

TEST(Synth, noiseRepeatsForASeedStaysInRangeAndCentresOnZero) {
    NoiseSource a(7), b(7), c(8);
    double sum = 0.0;
    bool differs = false;
    for (int i = 0; i < 100000; ++i) {
        const float x = a.next();
        ASSERT_EQ(x, b.next());
        differs = differs || x != c.next();
        ASSERT_GE(x, -1.0f);
        ASSERT_LT(x, 1.0f);
        sum += x;
    }
    EXPECT_TRUE(differs);
    EXPECT_NEAR(sum / 100000.0, 0.0, 0.01);
}

TEST(Synth, bandLimitedSawAliasesFarLessThanANaiveOne) {
    // A 4.96 kHz saw: its 8th harmonic (39.7 kHz) folds back to 4.4 kHz, far
    // from any true harmonic, where a naive saw leaves it at full strength.
    Oscillator saw(Wave::saw);
    MonoBuffer blep(8192), naive(8192);
    double phase = 0.0;
    const double hz = 4900.0 * 1.013;
    for (std::size_t i = 0; i < blep.size(); ++i) {
        blep[i] = static_cast<float>(saw.next(hz));
        naive[i] = static_cast<float>(2.0 * phase - 1.0);
        phase += hz / kSynthRateHz;
        phase -= std::floor(phase);
    }
    const double aliasHz = 8.0 * hz - kSynthRateHz;
    EXPECT_NEAR(amplitudeAt(blep, hz), 2.0 / kPi, 0.1);
    EXPECT_GT(amplitudeAt(naive, aliasHz), 0.06);
    EXPECT_LT(amplitudeAt(blep, aliasHz), 0.1 * amplitudeAt(naive, aliasHz));
}

TEST(Synth, lowPassKeepsTheBassAndCutsThreeOctavesAboveByThirtyDecibels) {
    auto filtered = [](double frequencyHz) {
        StateVariableFilter filter;
        MonoBuffer in = sine(frequencyHz, 1.0, 0.5), out(in.size());
        for (std::size_t i = 0; i < in.size(); ++i) {
            out[i] = static_cast<float>(filter.lowPass(in[i], 1000.0, 0.7071));
        }
        return amplitudeAt(out, frequencyHz);
    };
    EXPECT_NEAR(filtered(100.0), 1.0, 0.02);
    EXPECT_NEAR(filtered(1000.0), 0.7071, 0.02);
    EXPECT_LT(filtered(8000.0), dbToGain(-30.0));
}

TEST(Synth, envelopeRisesHoldsTheSustainAndEndsAtZero) {
    const Adsr adsr{0.01, 0.05, 0.6, 0.2};
    EXPECT_EQ(adsr.levelAt(-0.001, 1.0), 0.0);
    EXPECT_NEAR(adsr.levelAt(0.005, 1.0), 0.5, 1e-9);
    EXPECT_NEAR(adsr.levelAt(0.01, 1.0), 1.0, 1e-9);
    EXPECT_NEAR(adsr.levelAt(0.9, 1.0), 0.6, 1e-6);
    // The release starts from the held level without a jump.
    EXPECT_NEAR(adsr.levelAt(1.0 + 1e-6, 1.0), adsr.levelAt(1.0 - 1e-6, 1.0), 1e-4);
    EXPECT_EQ(adsr.levelAt(1.2, 1.0), 0.0);
    EXPECT_DOUBLE_EQ(adsr.lengthSeconds(1.0), 1.2);
}

TEST(SynthMaster, measuresASineInBothChannelsAtItsLevelInLufs) {
    // The meter is calibrated so that a 1 kHz sine in both channels reads its peak level in dB.
    EXPECT_NEAR(integratedLoudnessLufs(bothSides(sine(997.0, 0.1, 5.0))), -20.0, 0.1);
    EXPECT_NEAR(integratedLoudnessLufs(bothSides(sine(997.0, 0.5, 5.0))), -6.02, 0.1);
    EXPECT_LE(integratedLoudnessLufs(bothSides(MonoBuffer(44100 * 3, 0.0f))), -70.0);
}

TEST(SynthMaster, gatesQuietPassagesOutOfTheLoudness) {
    MonoBuffer loudThenQuiet = sine(997.0, 0.1, 10.0);
    const MonoBuffer quiet = sine(997.0, 0.001, 10.0);
    loudThenQuiet.insert(loudThenQuiet.end(), quiet.begin(), quiet.end());
    // Without the relative gate the quiet half would pull the result down by 3 dB.
    EXPECT_NEAR(integratedLoudnessLufs(bothSides(loudThenQuiet)), -20.0, 0.15);
}

TEST(SynthMaster, limiterHoldsTheCeilingWithOneGainForBothSides) {
    StereoBuffer buffer = bothSides(sine(220.0, 0.3, 2.0));
    for (std::size_t i = 44100; i < 44100 + 400; ++i) {
        buffer.left[i] *= 4.0f;
        buffer.right[i] *= -2.0f;
    }
    const StereoBuffer input = buffer;
    limitPeaks(buffer, 1.0, LimiterSettings{});
    EXPECT_LE(peakLevel(buffer), LimiterSettings{}.ceiling + 1e-6);
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        if (std::fabs(input.left[i]) > 1e-3f) {
            // Left and right ride one gain: nothing is clipped on one side only.
            ASSERT_NEAR(buffer.left[i] / input.left[i] * -2.0f, buffer.right[i] / input.right[i] * -2.0f, 1e-4) << i;
        }
    }
    // Far from the burst the signal passes untouched.
    EXPECT_FLOAT_EQ(buffer.left[1000], input.left[1000]);
    EXPECT_NEAR(buffer.left[88000], input.left[88000], 1e-5);
}

TEST(SynthMaster, masteringReachesTheTargetLoudnessUnderTheCeiling) {
    StereoBuffer buffer = bothSides(sine(110.0, 0.05, 6.0));
    for (std::size_t i = 0; i < buffer.size(); i += 20000) {
        buffer.left[i] = 0.9f;
    }
    LimiterSettings settings;
    masterToLoudness(buffer, -14.0, settings);
    EXPECT_NEAR(integratedLoudnessLufs(buffer), -14.0, 0.2);
    EXPECT_LE(peakLevel(buffer), settings.ceiling + 1e-6);
}

TEST(SynthEffects, echoBouncesFromLeftToRightGettingQuieter) {
    StereoBuffer buffer;
    buffer.resize(44100);
    buffer.left[0] = 1.0f;
    buffer.right[0] = 1.0f;
    applyPingPongEcho(buffer, {0.1, 0.5, 20000.0});
    auto peakNear = [](const MonoBuffer& channel, std::size_t at) {
        float peak = 0.0f;
        for (std::size_t i = at - 50; i < at + 50; ++i) {
            peak = std::max(peak, std::fabs(channel[i]));
        }
        return peak;
    };
    EXPECT_GT(peakNear(buffer.left, 4410), 0.5f);
    EXPECT_LT(peakNear(buffer.right, 4410), 0.01f);
    EXPECT_NEAR(peakNear(buffer.right, 8820) / peakNear(buffer.left, 4410), 0.5, 0.1);
    EXPECT_NEAR(peakNear(buffer.left, 13230) / peakNear(buffer.right, 8820), 0.5, 0.1);
}

TEST(SynthEffects, reverbTurnsAClickIntoADecayingWideTail) {
    StereoBuffer buffer;
    buffer.resize(44100 * 3);
    buffer.left[100] = 1.0f;
    applyReverb(buffer, ReverbSettings{});
    auto energy = [&buffer](double from, double to, bool left) {
        double sum = 0.0;
        for (std::size_t i = secondsToSamples(from); i < secondsToSamples(to); ++i) {
            const double x = left ? buffer.left[i] : buffer.right[i];
            sum += x * x;
        }
        return sum;
    };
    EXPECT_GT(energy(0.0, 0.5, true), 0.0);
    EXPECT_GT(energy(0.5, 1.0, true), 0.0);
    EXPECT_LT(energy(0.5, 1.0, true), 0.5 * energy(0.0, 0.5, true));
    EXPECT_LT(energy(2.5, 3.0, true), 1e-3 * energy(0.0, 0.5, true));
    // The two sides differ, which is what makes the tail wide.
    EXPECT_NE(buffer.left[20000], buffer.right[20000]);
}

TEST(SoundtrackScore, barLinesFallOnTheSceneChangesAndTheKickOnEveryBeatAfter) {
    EXPECT_NEAR(beatToSeconds(4.0 * kDubFirstBar), 28.0, 1e-9);
    EXPECT_NEAR(beatToSeconds(4.0 * kLiftFirstBar), 43.0, 1e-9);
    EXPECT_EQ(sectionOfBar(kDubFirstBar - 1), Section::build);
    EXPECT_EQ(sectionOfBar(kDubFirstBar), Section::dub);
    EXPECT_EQ(sectionOfBar(kLiftFirstBar), Section::lift);
    const std::vector<double> kicks = kickBeats();
    const std::set<double> kickSet(kicks.begin(), kicks.end());
    for (double beat = 4.0 * kDubFirstBar; beatToSeconds(beat) < 60.0; beat += 1.0) {
        EXPECT_EQ(kickSet.count(beat), 1u) << "no kick at " << beatToSeconds(beat) << " s";
    }
    EXPECT_LE(beatToSeconds(kicks.back()) + 2.0, kTrackSeconds);
}

TEST(SoundtrackScore, melodyAndBassStayInAMinorOrOnTheDominant) {
    const std::set<int> aMinor{9, 11, 0, 2, 4, 5, 7};
    for (const std::vector<Note>& part : {leadNotes(), bassNotes(), arpeggioNotes(), stabNotes()}) {
        for (const Note& note : part) {
            const int pitchClass = note.midiNote % 12;
            const bool onDominant = chordOfBar(static_cast<int>(note.startBeat / 4.0)).bassNote % 12 == 4;
            EXPECT_TRUE(aMinor.count(pitchClass) == 1 || (pitchClass == 8 && onDominant))
                << "note " << note.midiNote << " at beat " << note.startBeat;
            EXPECT_LT(beatToSeconds(note.startBeat), kTrackSeconds);
        }
    }
}

TEST(SoundtrackMix, fadeFollowsAHalfCosineToSilence) {
    StereoBuffer buffer = bothSides(MonoBuffer(44100 * 4, 1.0f));
    applyFadeOut(buffer, 1.0, 3.0);
    EXPECT_EQ(buffer.left[44100 - 1], 1.0f);
    EXPECT_NEAR(buffer.left[88200], 0.5f, 1e-4);
    EXPECT_NEAR(buffer.right[66150], 0.8536f, 1e-3);
    EXPECT_EQ(buffer.left[44100 * 3], 0.0f);
    EXPECT_EQ(buffer.right.back(), 0.0f);
}

TEST(SoundtrackParts, kickDuckingDipsToItsDepthAndRecoversBeforeTheNextBeat) {
    const MonoBuffer gains = kickDuckEnvelope(44100, {{0.1, 0.6}});
    EXPECT_EQ(gains[4409], 1.0f);
    const float lowest = *std::min_element(gains.begin(), gains.end());
    EXPECT_NEAR(lowest, 0.4f, 0.01f);
    EXPECT_LT(gains[secondsToSamples(0.106)], 0.45f);
    EXPECT_EQ(gains[secondsToSamples(0.1 + kBeatSeconds)], 1.0f);
}

TEST(SoundtrackParts, panSendsAMonoSoundToOneSideOrEquallyToBoth) {
    MixBuses buses(1000);
    const MonoBuffer click(10, 1.0f);
    placeSound(buses, click, 0.0, {1.0, -1.0, 0.0, 0.0, false});
    EXPECT_NEAR(buses.direct.left[5], std::sqrt(2.0), 1e-6);
    EXPECT_NEAR(buses.direct.right[5], 0.0, 1e-6);
    placeSound(buses, click, 0.01, {0.5, 0.0, 0.25, 0.0, true});
    EXPECT_NEAR(buses.ducked.left[446], 0.5, 1e-6);
    EXPECT_NEAR(buses.ducked.right[446], 0.5, 1e-6);
    EXPECT_NEAR(buses.reverbSend.right[446], 0.25, 1e-6);
    EXPECT_EQ(buses.echoSend.left[446], 0.0f);
    // Sounds running past the end are cut there.
    placeSound(buses, click, 999.0 / kSynthRateHz, {1.0, 0.0, 0.0, 0.0, false});
    EXPECT_EQ(buses.direct.left.size(), 1000u);
}
