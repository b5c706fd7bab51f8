// What the sound server tests share: the generated soundtrack decoded offline, and
// a check that the live spectrum is the offline spectrum of the frames the audio
// layer says are heard, at the clock's time.
#pragma once

#include "sound/TrackAnalysis.h"

#include <string>

// The demo's soundtrack path, relative to the generated content's folder, which
// the tests make their working directory.
extern const char* const kTrackPath;
// How far the heard position may stray from the clock.
constexpr float kSpectrumToleranceMs = 20.0f;

// The soundtrack decoded and resampled as the library loads it; loaded once.
const TrackAnalysis& track();

void writeFile(const std::string& path, const std::string& text);

class SpectrumFollower {
public:
    explicit SpectrumFollower(const TrackAnalysis& analysis) : analysis(analysis) {}
    // Checks one live spectrum read at clock time t (seconds since play).
    void check(const float* spectrum, float t);
    // Largest distance seen between the heard track time and the clock.
    float worstLagMs() const { return worstMs; }
    // Largest spectrum entry seen after clock time t.
    float loudestAfter(float t) const { return t <= loudestFrom ? loudest : 0.0f; }

private:
    const TrackAnalysis& analysis;
    float worstMs = 0.0f;
    float loudest = 0.0f;
    float loudestFrom = 1e9f;
};
