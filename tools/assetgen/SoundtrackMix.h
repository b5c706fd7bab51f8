#pragma once
// Mixdown, mastering and MP3 encoding of the soundtrack. Single-threaded and
// seeded, so every stage gives the same samples and bytes on every run.
#include "tools/assetgen/Synth.h"

#include <string>
#include <vector>

// The mix is mastered 0.3 LU hot because the encoded MP3 measures that much
// quieter, which puts the file itself at -14 LUFS.
constexpr double kSoundtrackLoudnessLufs = -13.7;
// Below -1 dBFS with room for the small overshoot that MP3 coding adds.
constexpr double kSoundtrackCeiling = 0.79;

// Scales the buffer to silence between startSeconds and endSeconds along a
// raised-cosine curve, and silences everything after endSeconds.
void applyFadeOut(StereoBuffer& buffer, double startSeconds, double endSeconds);

// The finished track at kSynthRateHz: all parts mixed with ducking, echo and
// reverb, faded at the end and mastered to kSoundtrackLoudnessLufs.
StereoBuffer renderSoundtrack();

// Encodes the buffer as constant-bit-rate joint-stereo MP3 with libmp3lame,
// with an Info tag that gives decoders the exact length. Empty on failure.
std::vector<unsigned char> encodeMp3(const StereoBuffer& buffer, int bitrateKbps);
