#include "sound/TrackAnalysis.h"

#include "sound/AudioLibrary.h"
#include "sound/audio/FftAnalyzer.h"
#include "sound/audio/ModuleFile.h"
#include "sound/audio/SampleLoader.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Module formats have no common magic number, so the name picks module rendering;
// MP3 and OGG are told apart by their content.
bool namesModule(const char* path) {
    const char* dot = std::strrchr(path, '.');
    if (dot == nullptr) {
        return false;
    }
    const char* const kModuleSuffixes[] = {"s3m", "xm", "mod", "it", "S3M", "XM", "MOD", "IT",
                                           "S3m", "Xm", "Mod", "It"};
    for (const char* suffix : kModuleSuffixes) {
        if (std::strcmp(dot + 1, suffix) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

TrackAnalysis::TrackAnalysis() : TrackAnalysis(kMixRateHz) {}

TrackAnalysis::TrackAnalysis(int mixRateHz)
    : rateHz(mixRateHz), decoded(std::make_unique<PcmData>()), analyzer(std::make_unique<FftAnalyzer>()) {}

TrackAnalysis::~TrackAnalysis() = default;

bool TrackAnalysis::load(const char* path) {
    *decoded = PcmData();
    if (path == nullptr) {
        lastError = FMOD_ERR_INVALID_PARAM;
        return false;
    }
    if (namesModule(path)) {
        std::vector<unsigned char> bytes;
        lastError = readWholeFile(path, bytes);
        if (lastError == FMOD_ERR_NONE) {
            lastError = renderModuleOnce(bytes.data(), bytes.size(), rateHz, *decoded);
        }
    } else {
        lastError = loadSampleFile(path, 0, 0, rateHz, *decoded);
    }
    return lastError == FMOD_ERR_NONE;
}

void TrackAnalysis::spectrumAt(double seconds, float* out) const {
    float window[kFftSize];
    double frame = seconds * rateHz;
    // Far outside the file (or not a number) is silence, without overflowing the index.
    bool sane = std::isfinite(frame) && std::fabs(frame) < 1e15;
    long long endFrame = sane ? std::llround(frame) : -kFftSize;
    gatherMonoWindow(decoded->frames.data(), decoded->frameCount(), endFrame, window);
    analyzer->analyze(window, out);
}

double TrackAnalysis::durationSeconds() const {
    return static_cast<double>(decoded->frameCount()) / rateHz;
}

int TrackAnalysis::mixRateHz() const {
    return rateHz;
}

int TrackAnalysis::errorCode() const {
    return lastError;
}

const float* TrackAnalysis::frames() const {
    return decoded->frames.data();
}

long long TrackAnalysis::frameCount() const {
    return decoded->frameCount();
}
