#pragma once
// Send effects of the soundtrack mix: a stereo plate-like reverb and a
// ping-pong echo. Each processes a whole StereoBuffer in place, wet only.
#include "tools/assetgen/Synth.h"

struct ReverbSettings {
    double roomSize = 0.84;    // comb feedback: longer tail when larger (below 1)
    double damping = 0.35;     // high frequencies die faster when larger
    double preDelaySeconds = 0.02;
    double lowCutHz = 220.0;   // keeps the low end out of the tail
};

// Replaces the buffer with its reverb (eight damped combs and four all-passes
// per channel, the right channel's delays slightly longer for width).
void applyReverb(StereoBuffer& buffer, const ReverbSettings& settings);

struct EchoSettings {
    double delaySeconds = 0.35;
    double feedback = 0.45;    // fraction of each echo fed into the next, below 1
    double toneHz = 3500.0;    // each echo is darker than the one before
};

// Replaces the buffer with its echoes, alternating between left and right.
void applyPingPongEcho(StereoBuffer& buffer, const EchoSettings& settings);
