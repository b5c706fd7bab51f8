// Encoders for the sound inputs that tests and fuzz seeds make themselves:
// interleaved stereo floats to MP3 (libmp3lame) and Ogg Vorbis (libvorbisenc).
// Free of GoogleTest, so the fuzz targets can link it; any thread.
#pragma once

#include <vector>

namespace soundencode {

using Bytes = std::vector<unsigned char>;

// Channel count 1 makes a mono file with the sides mixed. The file carries a LAME tag, so
// decoders trim the encoder's delay. Empty when the encoder refuses the settings.
Bytes encodeMp3(const std::vector<float>& stereo, int rateHz, int channelCount);
// Channel count 1 makes a mono file of the left side. Empty when the encoder refuses the settings.
Bytes encodeOgg(const std::vector<float>& stereo, int rateHz, int channelCount);

}  // namespace soundencode
