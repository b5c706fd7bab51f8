// The soundtrack's spectrum at any time without a sound device: the file is decoded
// and resampled exactly as the audio library loads it, and analysed by the same code
// the live mixer uses, so spectrumAt(t) is what a listener hears at playback time t.
// Owns the decoded audio; one thread at a time.
#pragma once

#include "sound/audio/PcmData.h"
#include "sound/audio/FftAnalyzer.h"

class TrackAnalysis {
public:
    // Analyses at the demo's mix rate, 32000 Hz.
    TrackAnalysis();
    explicit TrackAnalysis(int mixRateHz);

    // Decodes a whole MP3, OGG or module file (played once); false on failure, with
    // errorCode() telling why. Replaces what was loaded before.
    bool load(const char* path);
    // Writes the 512 magnitudes of the 1024 frames ending at seconds x mix rate (rounded);
    // time outside the file reads as silence.
    void spectrumAt(double seconds, float* out) const;
    // Length of the decoded audio.
    double durationSeconds() const;
    int mixRateHz() const;
    // The audio library's code for the last failed load, 0 after a good one.
    int errorCode() const;
    // The decoded audio at the mix rate.
    const PcmData& pcm() const;

private:
    int rateHz;
    int lastError = 0;
    PcmData decoded;
    mutable FftAnalyzer analyzer;
};
