#pragma once
// Small sound files for the sound fuzz targets' seed corpora, made here: tones
// through the sound tests' encoders, and a MOD written byte by byte.
#include <cstdint>
#include <vector>

namespace fuzz {

// rateHz, channelCount 1 or 2, a 440 Hz tone of the given length.
std::vector<uint8_t> toneMp3(int rateHz, int channelCount, double seconds);
std::vector<uint8_t> toneOgg(int rateHz, int channelCount, double seconds);
// A 4-channel ProTracker module with one short square-wave note.
std::vector<uint8_t> tinyMod();

}  // namespace fuzz
