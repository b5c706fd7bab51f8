#include "sound/audio/HeardSpectrum.h"

#include "sound/audio/FftAnalyzer.h"
#include "sound/audio/Mixer.h"

bool refreshHeardSpectrum(const Mixer& mixer, long long delayFrames, FftAnalyzer& analyzer,
                          HeardSpectrum& spectrum) {
    constexpr int kAttemptCount = 2;
    float window[kFftSize];
    for (int attempt = 0; attempt < kAttemptCount; ++attempt) {
        const long long heard = mixer.heardFrame() - delayFrames;
        if (heard == spectrum.endFrame) {
            return true;
        }
        if (mixer.copyMonoWindow(heard, window)) {
            analyzer.analyze(window, spectrum.magnitudes);
            spectrum.endFrame = heard;
            return true;
        }
    }
    return false;
}
