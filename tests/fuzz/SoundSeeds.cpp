#include "tests/fuzz/SoundSeeds.h"

#include "tests/support/SoundEncoders.h"

#include <cmath>

namespace fuzz {

namespace {

std::vector<float> tone(int rateHz, double seconds) {
    std::vector<float> samples(size_t(rateHz * seconds) * 2);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = 0.5f * float(std::sin(2 * M_PI * 440 * double(i / 2) / rateHz));
    return samples;
}

}  // namespace

std::vector<uint8_t> toneMp3(int rateHz, int channelCount, double seconds) {
    return soundencode::encodeMp3(tone(rateHz, seconds), rateHz, channelCount);
}

std::vector<uint8_t> toneOgg(int rateHz, int channelCount, double seconds) {
    return soundencode::encodeOgg(tone(rateHz, seconds), rateHz, channelCount);
}

std::vector<uint8_t> toneOggChannels(int rateHz, int channelCount, double seconds) {
    const size_t frameCount = size_t(rateHz * seconds);
    std::vector<float> frames(frameCount * size_t(channelCount));
    for (size_t i = 0; i < frames.size(); ++i) {
        const double hz = 220.0 * double(1 + i % size_t(channelCount));
        frames[i] = 0.3f * float(std::sin(2 * M_PI * hz * double(i / size_t(channelCount)) / rateHz));
    }
    return soundencode::encodeOggInterleaved(frames, channelCount, rateHz, channelCount);
}

}  // namespace fuzz
