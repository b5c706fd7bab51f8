#pragma once
// The soundtrack as the page decoded it (page.js decodes every sound file of
// the content with the browser's decoder, at the mix rate, before the demo
// starts). Main thread only.
#include "sound/audio/FftAnalyzer.h"

#include <vector>

// Copies the decoded track named path as interleaved stereo frames. Returns 0,
// or the audio library's code: file not found when the page has no such track,
// unknown file format when it was decoded at another rate than rateHz.
int copyDecodedTrack(const char* path, int rateHz, std::vector<float>& stereoFrames);

// The browser build's TrackAnalysis: the spectrum at any time of a decoded track,
// through the same window and FFT as the live spectrum.
class WebTrackAnalysis {
public:
    // False when the page has no track of that name at rateHz.
    bool load(const char* path, int rateHz);
    // The 512 magnitudes of the 1024 frames ending at seconds x rate (rounded).
    void spectrumAt(double seconds, float* out);

private:
    int rate = 0;
    std::vector<float> frames;
    FftAnalyzer analyzer;
};
