// The spectrum the scenes react to: 1024 mono samples in, 512 magnitudes out,
// bin k at k x mixRate / 1024 Hz, periodic Hann window, magnitude x 2 / sum(w),
// clamped to [0, 1]. The live mixer and the offline analysis share this one
// piece of arithmetic. Owns its FFT plan and scratch; one thread at a time.
#pragma once

#include "sound/audio/AudioTypes.h"

#include <memory>

class FftAnalyzer {
public:
    FftAnalyzer();
    ~FftAnalyzer();
    FftAnalyzer(const FftAnalyzer&) = delete;
    FftAnalyzer& operator=(const FftAnalyzer&) = delete;

    // Writes 512 magnitudes for window[0..1023] (oldest sample first); allocates nothing.
    void analyze(const float* window, float* out);

private:
    struct Plan;
    std::unique_ptr<Plan> plan;
};

// The mono value both paths feed the analyzer: the plain average of the sides.
inline float monoOf(float left, float right) {
    return (left + right) * 0.5f;
}

// Fills window[0..1023] with the mono mix of stereo frames [endFrame - 1024, endFrame)
// of an interleaved buffer of frameCount frames; frames outside it read as silence.
void gatherMonoWindow(const float* stereo, long long frameCount, long long endFrame, float* window);
