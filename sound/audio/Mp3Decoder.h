// MP3 decoding (MPEG audio layers 1 to 3) from bytes in memory, honouring the
// encoder's delay and padding. Plain function, no shared state; any thread.
#pragma once

#include "sound/audio/PcmData.h"

#include <cstddef>

// Decodes an MP3 stream into out at the file's own rate; returns 0 or an FMOD_ERR_* code.
// A stream whose MPEG frames fill less than half of it (tags aside) is not MP3,
// whatever few frames a decoder can find in it: bad file.
int decodeMp3(const unsigned char* data, size_t size, PcmData& out);
