// Whole-file sample loading for the audio library: a file's bytes become
// interleaved stereo float frames, decoded by content and resampled to the mix
// rate. Plain functions, no shared state; any thread.
#pragma once

#include "sound/audio/PcmData.h"

#include <cstddef>
#include <vector>

// Reads a whole file; returns 0 or an error code (file not found, which a path
// that is not a regular file counts as; bad file; memory).
int readWholeFile(const char* path, std::vector<unsigned char>& bytes);

// Picks the decoder from the content (and, for headerless MP3, the path's suffix).
int decodeSampleBytes(const char* path, const unsigned char* data, size_t size, PcmData& out);

// Converts pcm to rateHz with a band-limited resampler; returns 0 or an error code.
int resampleTo(PcmData& pcm, int rateHz);

// Reads, decodes and resamples a sample file exactly as the live library loads it.
// offsetBytes/lengthBytes select part of the file (0, 0 for all of it).
int loadSampleFile(const char* path, long long offsetBytes, long long lengthBytes, int rateHz,
                   PcmData& out);
