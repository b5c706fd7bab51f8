#include "tools/assetgen/Oscillator.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/Synth.h"
#include "tools/assetgen/SynthMath.h"

#include <algorithm>
#include <cmath>

namespace {

// Wraps a phase into [0, 1).
double wrapPhase(double phase) {
    return phase - std::floor(phase);
}

}  // namespace

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
