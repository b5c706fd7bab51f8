#include "tools/assetgen/OnePole.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/Synth.h"
#include "tools/assetgen/SynthMath.h"

OnePole::OnePole(double cutoffHz)
    : coefficient(1.0 - synthExp(-2.0 * kPi * cutoffHz / kSynthRateHz)) {}

double OnePole::lowPass(double input) {
    state += coefficient * (input - state);
    return state;
}
