// The soundtrack's spectrum at any time without a sound device: the file is decoded
// and resampled exactly as the audio library loads it, and analysed by the same code
// the live mixer uses, so spectrumAt(t) is what a listener hears at playback time t.
// Owns the decoded audio; one thread at a time.
#pragma once

#include "sound/SoundFormat.h"

#include <memory>

struct PcmData;
class FftAnalyzer;

class TrackAnalysis {
public:
    // Analyses at the demo's mix rate, kMixRateHz.
    TrackAnalysis();
    explicit TrackAnalysis(int mixRateHz);
    ~TrackAnalysis();
    TrackAnalysis(const TrackAnalysis&) = delete;
    TrackAnalysis& operator=(const TrackAnalysis&) = delete;

    // Decodes a whole MP3, OGG or module file (played once); false on failure, with
    // errorCode() telling why. Replaces what was loaded before.
    bool load(const char* path);
    // Writes the kSpectrumBinCount (512) magnitudes of the 1024 frames ending at seconds x mix rate (rounded);
    // time outside the file reads as silence.
    void spectrumAt(double seconds, float* out) const;
    // Length of the decoded audio.
    double durationSeconds() const;
    int mixRateHz() const;
    // The audio library's code for the last failed load, 0 after a good one.
    int errorCode() const;
    // The decoded audio at the mix rate: frameCount() interleaved stereo frames.
    const float* frames() const;
    long long frameCount() const;

private:
    int rateHz;
    int lastError = 0;
    std::unique_ptr<PcmData> decoded;
    std::unique_ptr<FftAnalyzer> analyzer;
};
