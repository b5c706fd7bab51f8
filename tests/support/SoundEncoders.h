// The sound inputs that tests and fuzz seeds make themselves: interleaved stereo
// floats encoded to MP3 (libmp3lame) and Ogg Vorbis (libvorbisenc), and a MOD
// written byte by byte.
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
// The same from frames of frameChannels interleaved channels, of which the first
// channelCount (at most frameChannels) are encoded, in the order given.
Bytes encodeOggInterleaved(const std::vector<float>& frames, int frameChannels, int rateHz, int channelCount);
// A 4-channel ProTracker module: one 2000-byte square-wave note at row 0 of a single
// pattern that a break ends after 4 rows (0.48 s at speed 6), the note lasting 0.24 s.
Bytes tinyMod();

}  // namespace soundencode
