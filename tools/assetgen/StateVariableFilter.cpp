#include "tools/assetgen/StateVariableFilter.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/Synth.h"
#include "tools/assetgen/SynthMath.h"

#include <algorithm>

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
