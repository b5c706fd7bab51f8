#pragma once
// Mastering of the soundtrack: loudness measured like a broadcast meter
// (K-weighted and gated, in LUFS) and a look-ahead peak limiter that brings
// the mix to a target loudness without letting any sample past a ceiling.
#include "tools/assetgen/Synth.h"

// Integrated loudness of the buffer in LUFS (400 ms blocks every 100 ms,
// K-weighting, absolute gate at -70 LUFS, relative gate 10 LU below);
// -70 or less for silence.
double integratedLoudnessLufs(const StereoBuffer& buffer);

// Largest absolute sample of either channel.
double peakLevel(const StereoBuffer& buffer);

struct LimiterSettings {
    double ceiling = 0.79;         // no output sample exceeds this (about -2 dBFS)
    double lookAheadSeconds = 0.004;
    double releaseSeconds = 0.12;
};

// Scales the buffer by gain and limits it in place: the gain falls smoothly
// before each peak that would pass the ceiling and recovers after it.
void limitPeaks(StereoBuffer& buffer, double gain, const LimiterSettings& settings);

// Scales the buffer so that, once limited, it measures targetLufs (within a
// few tenths of a dB) with no sample above the limiter's ceiling.
void masterToLoudness(StereoBuffer& buffer, double targetLufs, const LimiterSettings& settings);
