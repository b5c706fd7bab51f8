#pragma once
// Drum and effect one-shots of the soundtrack, each rendered once into a mono
// buffer at kSynthRateHz and then placed on the timeline. Noise comes from the
// given seed, so the same call gives the same samples.
#include "tools/assetgen/Synth.h"

#include <cstdint>

struct KickShape {
    double endHz = 45.0;       // where the body's pitch settles
    double sweepHz = 110.0;    // extra pitch at the start, falling away
    double decaySeconds = 0.16;
    double drive = 1.6;        // saturation: adds the harmonics heard on small speakers
    double clickLevel = 0.25;
    double thumpLevel = 1.0;   // one slow positive pressure lobe under the attack
    double thumpSeconds = 0.04;
};

// Sine kick whose pitch sweeps down to endHz, with a short noise click and a
// sub-audio thump that gives it weight below 30 Hz.
MonoBuffer renderKick(const KickShape& shape, std::uint32_t seed);

// Snare: two damped tones near 190 and 330 Hz plus band-passed noise.
MonoBuffer renderSnare(std::uint32_t seed);

// Hand clap: three quick noise bursts then a band-passed tail.
MonoBuffer renderClap(std::uint32_t seed);

// Hi-hat from six detuned square waves and noise, high-passed; open rings longer.
MonoBuffer renderHat(bool open, std::uint32_t seed);

// Rim shot: a short bright knock, for the sparse dub pattern.
MonoBuffer renderRim(std::uint32_t seed);

// Crash cymbal: bright noise and metal with a long decay.
MonoBuffer renderCrash(std::uint32_t seed);

// Noise swept upward through a resonant band-pass over lengthSeconds, getting louder.
MonoBuffer renderRiser(double lengthSeconds, std::uint32_t seed);
