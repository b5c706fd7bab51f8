// Ogg Vorbis decoding from bytes in memory. Plain function, no shared state;
// any thread.
#pragma once

#include "sound/audio/PcmData.h"

#include <cstddef>

// Decodes an Ogg Vorbis stream into out at the file's own rate; returns 0 or an FMOD_ERR_* code.
int decodeOgg(const unsigned char* data, size_t size, PcmData& out);
