#include "web/sound/WebTrack.h"

#include "sound/AudioLibrary.h"

#include <emscripten.h>

#include <cmath>

// Frames of the decoded track, -1 when there is none, -2 when its rate differs.
EM_JS(int, webTrackFrames, (const char* path, int rateHz), {
    const track = Module.morvelTracks && Module.morvelTracks[UTF8ToString(path)];
    if (!track) return -1;
    return track.sampleRate === rateHz ? track.length : -2;
});

// Writes the track's frames as interleaved stereo (a mono track on both sides).
EM_JS(void, webCopyTrack, (const char* path, float* out), {
    const track = Module.morvelTracks[UTF8ToString(path)];
    const left = track.getChannelData(0);
    const right = track.numberOfChannels > 1 ? track.getChannelData(1) : left;
    const base = out >> 2;
    for (let i = 0; i < track.length; i++) {
        HEAPF32[base + 2 * i] = left[i];
        HEAPF32[base + 2 * i + 1] = right[i];
    }
});

int copyDecodedTrack(const char* path, int rateHz, std::vector<float>& stereoFrames) {
    const int frameCount = webTrackFrames(path, rateHz);
    if (frameCount == -1) {
        return FMOD_ERR_FILE_NOTFOUND;
    }
    if (frameCount < 0) {
        return FMOD_ERR_FILE_FORMAT;
    }
    stereoFrames.assign(static_cast<size_t>(frameCount) * 2, 0.0f);
    if (frameCount > 0) {
        webCopyTrack(path, stereoFrames.data());
    }
    return FMOD_ERR_NONE;
}

bool WebTrackAnalysis::load(const char* path, int rateHz) {
    rate = rateHz;
    return copyDecodedTrack(path, rateHz, frames) == FMOD_ERR_NONE;
}

void WebTrackAnalysis::spectrumAt(double seconds, float* out) {
    float window[kFftSize];
    const double frame = seconds * rate;
    const bool sane = std::isfinite(frame) && std::fabs(frame) < 1e15;
    const long long endFrame = sane ? std::llround(frame) : -kFftSize;
    gatherMonoWindow(frames.data(), static_cast<long long>(frames.size() / 2), endFrame, window);
    analyzer.analyze(window, out);
}
