#include "tools/assetgen/SynthVoices.h"

#include "tools/assetgen/Adsr.h"
#include "tools/assetgen/NoiseSource.h"
#include "tools/assetgen/Oscillator.h"
#include "tools/assetgen/StateVariableFilter.h"
#include "tools/assetgen/SynthMath.h"

#include <algorithm>
#include <cmath>

namespace {

// A start phase in [0, 1) drawn from the noise source.
double randomPhase(NoiseSource& noise) {
    return 0.5 * (noise.next() + 1.0);
}

double secondsOf(std::size_t sample) {
    return static_cast<double>(sample) / kSynthRateHz;
}

double cents(double amount) {
    return synthPow(2.0, amount / 1200.0);
}

}  // namespace

MonoBuffer renderBassNote(int midiNote, double gateSeconds, double velocity, const BassTone& tone,
                          std::uint32_t seed) {
    const Adsr amp{0.003, 0.2, 0.85, 0.03};
    MonoBuffer out(secondsToSamples(amp.lengthSeconds(gateSeconds)), 0.0f);
    NoiseSource noise(seed);
    Oscillator saw(Wave::saw, randomPhase(noise));
    Oscillator square(Wave::square, randomPhase(noise));
    Oscillator sub(Wave::sine);
    StateVariableFilter filter;
    const double hz = noteHz(midiNote), squareHz = hz * cents(4.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = secondsOf(i);
        const double raw = 0.7 * saw.next(hz) + 0.3 * square.next(squareHz);
        const double cutoff = tone.baseHz + tone.envelopeHz * velocity * synthExp(-t / tone.decaySeconds);
        const double body = filter.lowPass(raw, cutoff, tone.q) + tone.subLevel * sub.next(hz);
        out[i] = static_cast<float>(softClip(1.2 * body) * velocity * amp.levelAt(t, gateSeconds));
    }
    return out;
}

MonoBuffer renderPluckNote(int midiNote, double velocity, double cutoffHz, std::uint32_t seed) {
    const double decaySeconds = 0.16;
    MonoBuffer out(secondsToSamples(decaySeconds * 5.0), 0.0f);
    NoiseSource noise(seed);
    Oscillator square(Wave::square, randomPhase(noise));
    Oscillator saw(Wave::saw, randomPhase(noise));
    StateVariableFilter filter;
    const double hz = noteHz(midiNote), sawHz = hz * cents(7.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = secondsOf(i);
        const double raw = 0.5 * square.next(hz) + 0.5 * saw.next(sawHz);
        const double cutoff = cutoffHz * (0.35 + 1.3 * synthExp(-t / 0.05));
        const double level = std::min(t / 0.002, 1.0) * synthExp(-t / decaySeconds);
        out[i] = static_cast<float>(filter.lowPass(raw, cutoff, 1.2) * level * velocity);
    }
    fadeOutTail(out, 0.02);
    return out;
}

MonoBuffer renderStabNote(int midiNote, double velocity, std::uint32_t seed) {
    const double decaySeconds = 0.09;
    MonoBuffer out(secondsToSamples(decaySeconds * 6.0), 0.0f);
    NoiseSource noise(seed);
    Oscillator sawA(Wave::saw, randomPhase(noise));
    Oscillator sawB(Wave::saw, randomPhase(noise));
    StateVariableFilter filter;
    const double hz = noteHz(midiNote), lowHz = hz * cents(-6.0), highHz = hz * cents(6.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = secondsOf(i);
        const double raw = 0.5 * (sawA.next(lowHz) + sawB.next(highHz));
        const double band = filter.process(raw, 900.0 + 1500.0 * synthExp(-t / 0.04), 1.6).band;
        const double level = std::min(t / 0.002, 1.0) * synthExp(-t / decaySeconds);
        out[i] = static_cast<float>(1.6 * band * level * velocity);
    }
    return out;
}

MonoBuffer renderDroneNote(int midiNote, double gateSeconds, double attackSeconds, std::uint32_t seed) {
    const Adsr amp{attackSeconds, 0.5, 1.0, 0.4};
    MonoBuffer out(secondsToSamples(amp.lengthSeconds(gateSeconds)), 0.0f);
    NoiseSource noise(seed);
    Oscillator triangle(Wave::triangle, randomPhase(noise));
    Oscillator sine(Wave::sine, randomPhase(noise));
    const double hz = noteHz(midiNote);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double raw = 0.4 * triangle.next(hz) + 0.6 * sine.next(hz);
        out[i] = static_cast<float>(0.5 * raw * amp.levelAt(secondsOf(i), gateSeconds));
    }
    return out;
}

StereoBuffer renderPadChord(const std::array<int, 4>& midiNotes, double gateSeconds, double attackSeconds,
                            const std::function<double(double)>& cutoffAtSeconds, std::uint32_t seed) {
    const Adsr amp{attackSeconds, 0.5, 1.0, 0.4};
    StereoBuffer out;
    out.resize(secondsToSamples(amp.lengthSeconds(gateSeconds)));
    std::vector<double> levels(out.size());
    for (std::size_t i = 0; i < levels.size(); ++i) {
        levels[i] = 0.1 * amp.levelAt(secondsOf(i), gateSeconds);
    }
    NoiseSource noise(seed);
    MonoBuffer centre(out.size());
    for (int note : midiNotes) {
        const double hz = noteHz(note);
        // One saw shared by both sides keeps the pad solid in mono.
        Oscillator shared(Wave::saw, randomPhase(noise));
        for (float& sample : centre) {
            sample = static_cast<float>(0.7 * shared.next(hz));
        }
        for (int side = 0; side < 2; ++side) {
            const double spread = side == 0 ? -1.0 : 1.0;
            Oscillator wide(Wave::saw, randomPhase(noise));
            Oscillator narrow(Wave::saw, randomPhase(noise));
            StateVariableFilter filter;
            MonoBuffer& channel = side == 0 ? out.left : out.right;
            const double wideHz = hz * cents(9.0 * spread), narrowHz = hz * cents(-3.0 * spread);
            double cutoff = 0.0;
            for (std::size_t i = 0; i < channel.size(); ++i) {
                // The cutoff only moves slowly, so it is refreshed every 32 samples.
                if (i % 32 == 0) {
                    cutoff = cutoffAtSeconds(secondsOf(i));
                }
                const double raw = wide.next(wideHz) + narrow.next(narrowHz) + centre[i];
                channel[i] += static_cast<float>(filter.lowPass(raw, cutoff, 0.7) * levels[i]);
            }
        }
    }
    return out;
}

StereoBuffer renderLeadNote(int midiNote, double gateSeconds, double velocity, std::uint32_t seed) {
    const Adsr amp{0.006, 0.3, 0.8, 0.12};
    StereoBuffer out;
    out.resize(secondsToSamples(amp.lengthSeconds(gateSeconds)));
    NoiseSource noise(seed);
    Oscillator left(Wave::saw, randomPhase(noise)), centre(Wave::saw, randomPhase(noise));
    Oscillator right(Wave::saw, randomPhase(noise)), low(Wave::square, randomPhase(noise));
    Oscillator vibrato(Wave::sine);
    StateVariableFilter filterLeft, filterRight;
    const double hz = noteHz(midiNote), flat = cents(-11.0), sharp = cents(11.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = secondsOf(i);
        const double depth = 0.12 * std::clamp((t - 0.25) / 0.3, 0.0, 1.0);
        const double f = hz * synthPow(2.0, depth * vibrato.next(5.5) / 12.0);
        const double c = centre.next(f) + 0.45 * low.next(f * 0.5);
        const double l = left.next(f * flat) + c;
        const double r = right.next(f * sharp) + c;
        const double cutoff = 1600.0 + 4200.0 * velocity * synthExp(-t / 0.22);
        const double level = 0.3 * velocity * amp.levelAt(t, gateSeconds);
        out.left[i] = static_cast<float>(filterLeft.lowPass(l, cutoff, 0.9) * level);
        out.right[i] = static_cast<float>(filterRight.lowPass(r, cutoff, 0.9) * level);
    }
    return out;
}
