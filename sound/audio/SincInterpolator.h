// Reads a stereo sample between its frames, for playback that runs a little faster
// or slower than the sample's rate to keep pace with the picture's clock. The pace
// stays within a fraction of a percent of the rate, so nothing needs filtering out:
// a Kaiser-windowed sinc over the whole band, kTaps frames long, from a table of
// kPhases fractions (linear between neighbours), errs by less than -85 dB up to
// 14 kHz at 32 kHz (-30 dB at 15 kHz, where an MP3 holds little). Frames outside
// [0, readyFrames) read as silence. The table is built once; reads are lock-free
// from any thread.
#pragma once

class SincInterpolator {
public:
    static constexpr int kTaps = 64;
    static constexpr int kPhases = 512;

    // The stereo frame at position + fraction (fraction in [0, 1)) of interleaved frames.
    static void read(const float* frames, long long readyFrames, long long position, double fraction,
                     float& left, float& right);
};
