#include "tests/fuzz/SoundSeeds.h"

#include "tests/support/SoundEncoders.h"

#include <cmath>
#include <cstring>

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

std::vector<uint8_t> tinyMod() {
    const size_t song = 20 + 31 * 30, patterns = song + 2 + 128 + 4, samples = patterns + 64 * 4 * 4;
    std::vector<uint8_t> bytes(samples + 200, 0);
    std::memcpy(bytes.data(), "morvel seed", 11);
    bytes[20 + 22 + 1] = 100;  // sample 1: 100 words long (big-endian)
    bytes[20 + 25] = 64;       // at full volume
    for (int s = 0; s < 31; ++s) bytes[size_t(20 + s * 30 + 29)] = 1;  // loop length 1: no loop
    bytes[song] = 1;
    bytes[song + 1] = 127;
    std::memcpy(bytes.data() + song + 130, "M.K.", 4);
    bytes[patterns] = 428 >> 8;  // row 0, channel 1: C-2 of sample 1
    bytes[patterns + 1] = 428 & 0xff;
    bytes[patterns + 2] = 0x10;
    bytes[patterns + 3 * 16 + 2] = 0x0D;  // row 3: pattern break
    for (size_t i = 0; i < 200; ++i) bytes[samples + i] = uint8_t((i / 16) % 2 == 0 ? 100 : 156);
    return bytes;
}

}  // namespace fuzz
