#include "sound/audio/FftAnalyzer.h"

#include <kissfft/kiss_fftr.h>

#include <cmath>
#include <vector>

struct FftAnalyzer::Plan {
    kiss_fftr_cfg fft = nullptr;
    std::vector<float> hann = std::vector<float>(kFftSize);
    std::vector<kiss_fft_scalar> weighted = std::vector<kiss_fft_scalar>(kFftSize);
    std::vector<kiss_fft_cpx> bins = std::vector<kiss_fft_cpx>(kFftSize / 2 + 1);
    float scale = 0.0f;  // 2 / sum(w): a full-scale sine centred on a bin reads 1.0
};

FftAnalyzer::FftAnalyzer() : plan(new Plan) {
    plan->fft = kiss_fftr_alloc(kFftSize, 0, nullptr, nullptr);
    // Periodic Hann: exact at bin centres, so the neighbours of a centred sine read 0.5.
    const double pi = 3.14159265358979323846;
    double sum = 0.0;
    for (int n = 0; n < kFftSize; ++n) {
        double w = 0.5 - 0.5 * std::cos(2.0 * pi * n / kFftSize);
        plan->hann[n] = static_cast<float>(w);
        sum += w;
    }
    plan->scale = static_cast<float>(2.0 / sum);
}

FftAnalyzer::~FftAnalyzer() {
    kiss_fftr_free(plan->fft);
}

void FftAnalyzer::analyze(const float* window, float* out) {
    for (int n = 0; n < kFftSize; ++n) {
        plan->weighted[n] = window[n] * plan->hann[n];
    }
    kiss_fftr(plan->fft, plan->weighted.data(), plan->bins.data());
    for (int k = 0; k < kSpectrumBinCount; ++k) {
        float re = plan->bins[k].r;
        float im = plan->bins[k].i;
        float magnitude = std::sqrt(re * re + im * im) * plan->scale;
        // Written so that a NaN from a broken input reads as silence, not as NaN.
        out[k] = magnitude > 1.0f ? 1.0f : (magnitude >= 0.0f ? magnitude : 0.0f);
    }
}

void gatherMonoWindow(const float* stereo, long long frameCount, long long endFrame, float* window) {
    long long first = endFrame - kFftSize;
    for (int n = 0; n < kFftSize; ++n) {
        long long frame = first + n;
        bool inside = frame >= 0 && frame < frameCount;
        window[n] = inside ? monoOf(stereo[2 * frame], stereo[2 * frame + 1]) : 0.0f;
    }
}
