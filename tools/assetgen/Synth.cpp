#include "tools/assetgen/Synth.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/SynthMath.h"

#include <algorithm>
#include <cmath>

namespace {


// Wraps a phase into [0, 1).
double wrapPhase(double phase) {
    return phase - std::floor(phase);
}

}  // namespace

void StereoBuffer::resize(std::size_t sampleCount) {
    left.assign(sampleCount, 0.0f);
    right.assign(sampleCount, 0.0f);
}

double noteHz(double midiNote) {
    return 440.0 * synthPow(2.0, (midiNote - 69.0) / 12.0);
}

double dbToGain(double db) {
    return synthPow(10.0, db / 20.0);
}

std::size_t secondsToSamples(double seconds) {
    if (seconds <= 0.0) {
        return 0;
    }
    return static_cast<std::size_t>(std::lround(seconds * kSynthRateHz));
}

float NoiseSource::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    // Top 24 bits give an exact float in [0, 1).
    return static_cast<float>(state >> 8) * (2.0f / 16777216.0f) - 1.0f;
}

double polyBlep(double phase, double dt) {
    if (phase < dt) {
        const double t = phase / dt;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - dt) {
        const double t = (phase - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

double Oscillator::next(double frequencyHz) {
    const double dt = std::min(frequencyHz / kSynthRateHz, 0.5);
    double out = 0.0;
    switch (wave) {
    case Wave::sine:
        out = synthSin(2.0 * kPi * phase);
        break;
    case Wave::saw:
        out = 2.0 * phase - 1.0 - polyBlep(phase, dt);
        break;
    case Wave::square:
        out = (phase < 0.5 ? 1.0 : -1.0) + polyBlep(phase, dt) - polyBlep(wrapPhase(phase + 0.5), dt);
        break;
    case Wave::triangle:
        // Harmonics fall at 12 dB per octave, so aliasing stays far below the mix.
        out = 4.0 * std::fabs(phase - 0.5) - 1.0;
        break;
    }
    phase = wrapPhase(phase + dt);
    return out;
}

StateVariableFilter::Outputs StateVariableFilter::process(double input, double cutoffHz, double q) {
    if (cutoffHz != lastCutoffHz || q != lastQ) {
        // Coefficients cost a tangent, so they are only recomputed when the settings move.
        lastCutoffHz = cutoffHz;
        lastQ = q;
        const double cutoff = std::clamp(cutoffHz, 10.0, 0.45 * kSynthRateHz);
        gain = synthTan(kPi * cutoff / kSynthRateHz);
        damping = 1.0 / std::max(q, 0.05);
        normaliser = 1.0 / (1.0 + gain * (gain + damping));
    }
    const double a2 = gain * normaliser;
    const double a3 = gain * a2;
    const double v3 = input - ic2;
    const double v1 = normaliser * ic1 + a2 * v3;
    const double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0 * v1 - ic1;
    ic2 = 2.0 * v2 - ic2;
    return {v2, v1, input - damping * v1 - v2};
}

OnePole::OnePole(double cutoffHz)
    : coefficient(1.0 - synthExp(-2.0 * kPi * cutoffHz / kSynthRateHz)) {}

double OnePole::lowPass(double input) {
    state += coefficient * (input - state);
    return state;
}

double Adsr::levelAt(double secondsOn, double gateSeconds) const {
    if (secondsOn < 0.0) {
        return 0.0;
    }
    auto heldLevel = [this](double t) {
        if (t < attackSeconds) {
            return t / attackSeconds;
        }
        const double intoDecay = t - attackSeconds;
        return sustainLevel + (1.0 - sustainLevel) * synthExp(-intoDecay / std::max(decaySeconds, 1e-6));
    };
    if (secondsOn < gateSeconds) {
        return heldLevel(secondsOn);
    }
    const double intoRelease = secondsOn - gateSeconds;
    if (intoRelease >= releaseSeconds) {
        return 0.0;
    }
    // A half-cosine fade reaches zero at the release's end.
    const double fade = 0.5 + 0.5 * synthCos(kPi * intoRelease / releaseSeconds);
    // Rounding can leave the cosine a hair past -1 at the very end.
    return heldLevel(gateSeconds) * std::max(fade, 0.0);
}

void fadeOutTail(MonoBuffer& sound, double tailSeconds) {
    const std::size_t tail = std::min(secondsToSamples(tailSeconds), sound.size());
    const std::size_t start = sound.size() - tail;
    for (std::size_t i = start; i < sound.size(); ++i) {
        sound[i] *= static_cast<float>(sound.size() - i) / static_cast<float>(tail + 1);
    }
}

double softClip(double x) {
    return synthTanh(x);
}
