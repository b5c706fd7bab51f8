#pragma once
// Small sound files for the sound fuzz targets' seed corpora: tones through the
// sound tests' encoders (the MOD seed is the tests' soundencode::tinyMod).
#include <cstdint>
#include <vector>

namespace fuzz {

// rateHz, channelCount 1 or 2, a 440 Hz tone of the given length.
std::vector<uint8_t> toneMp3(int rateHz, int channelCount, double seconds);
std::vector<uint8_t> toneOgg(int rateHz, int channelCount, double seconds);
// An Ogg Vorbis file of channelCount channels, each its own tone, for the down-mix.
std::vector<uint8_t> toneOggChannels(int rateHz, int channelCount, double seconds);

}  // namespace fuzz
