#include "tools/assetgen/Synth.h"

#include "tools/assetgen/SynthMath.h"

#include <algorithm>
#include <cmath>

void StereoBuffer::resize(std::size_t sampleCount) {
    left.assign(sampleCount, 0.0f);
    right.assign(sampleCount, 0.0f);
}

double noteHz(double midiNote) {
    return 440.0 * synthPow(2.0, (midiNote - 69.0) / 12.0);
}

double dbToGain(double db) {
    return synthPow(10.0, db / 20.0);
}

std::size_t secondsToSamples(double seconds) {
    if (seconds <= 0.0) {
        return 0;
    }
    return static_cast<std::size_t>(std::lround(seconds * kSynthRateHz));
}

void fadeOutTail(MonoBuffer& sound, double tailSeconds) {
    const std::size_t tail = std::min(secondsToSamples(tailSeconds), sound.size());
    const std::size_t start = sound.size() - tail;
    for (std::size_t i = start; i < sound.size(); ++i) {
        sound[i] *= static_cast<float>(sound.size() - i) / static_cast<float>(tail + 1);
    }
}

double softClip(double x) {
    return synthTanh(x);
}
