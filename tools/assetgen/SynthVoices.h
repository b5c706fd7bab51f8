#pragma once
// Pitched instruments of the soundtrack. Each call renders one note (or one
// chord) from its start, release included, at kSynthRateHz; oscillator start
// phases come from a seed so notes do not all begin in phase.
#include "tools/assetgen/Synth.h"

#include <array>
#include <cstdint>
#include <functional>

// How the bass's low-pass opens on each note: cutoff = baseHz + envelopeHz
// at the start, falling back to baseHz over decaySeconds.
struct BassTone {
    double baseHz;
    double envelopeHz;
    double decaySeconds;
    double q;
    double subLevel;   // sine at the fundamental, for weight under the filtered saw
};

// Saw-and-square bass through a resonant low-pass, with a sine under it.
MonoBuffer renderBassNote(int midiNote, double gateSeconds, double velocity, const BassTone& tone,
                          std::uint32_t seed);

// Short plucked square-and-saw note for the arpeggio; brighter with a higher cutoff.
MonoBuffer renderPluckNote(int midiNote, double velocity, double cutoffHz, std::uint32_t seed);

// Band-passed saw chord tone for the dub stabs.
MonoBuffer renderStabNote(int midiNote, double velocity, std::uint32_t seed);

// Soft sustained triangle-and-sine note with a slow attack, for a low drone.
MonoBuffer renderDroneNote(int midiNote, double gateSeconds, double attackSeconds, std::uint32_t seed);

// Wide pad chord: two detuned saws per note and side, each side low-passed at
// cutoffAtSeconds(seconds since the chord started).
StereoBuffer renderPadChord(const std::array<int, 4>& midiNotes, double gateSeconds, double attackSeconds,
                            const std::function<double(double)>& cutoffAtSeconds, std::uint32_t seed);

// Lead: three detuned saws spread across the stereo field plus a square an
// octave down, with a filter envelope and delayed vibrato.
StereoBuffer renderLeadNote(int midiNote, double gateSeconds, double velocity, std::uint32_t seed);
