#include "tools/assetgen/Adsr.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/SynthMath.h"

#include <algorithm>

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
