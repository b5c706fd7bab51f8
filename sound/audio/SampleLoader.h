// Whole-file sample loading for the audio library: a file's bytes become
// interleaved stereo float frames, decoded by content and resampled to the mix
// rate. Plain functions, no shared state; any thread.
#pragma once

#include "sound/audio/PcmData.h"

#include <cstddef>
#include <functional>
#include <vector>

// Reads a whole file; returns 0 or an error code (file not found, which a path
// that is not a regular file counts as; bad file; memory).
int readWholeFile(const char* path, std::vector<unsigned char>& bytes);

// Picks the decoder from the content (and, for headerless MP3, the path's suffix).
int decodeSampleBytes(const char* path, const unsigned char* data, size_t size, PcmData& out);

// Frames to make room for when inFrames are resampled at ratio (output rate over
// input rate): a bound the resampler never writes past.
long long resampledCapacity(long long inFrames, double ratio);

// Input frames a resampling chunk takes: about 0.7 s of 44.1 kHz input, resampled
// in a few milliseconds.
constexpr long long kResampleChunkFrames = 32768;

// Resamples inFrames interleaved stereo frames at ratio into out, which has room for
// capacity frames, front to back with a band-limited resampler, in chunks of
// chunkFrames input frames; after each chunk, progress(frames written so far) and it
// goes on while progress says true. Returns the frames written, or -1 on a resampler
// error. The output does not depend on who calls it, how progress answers or how
// large the chunks are, only on the input and the ratio (small chunks let a test
// cross many chunk ends on a short input).
long long resampleInto(const float* in, long long inFrames, double ratio, float* out, long long capacity,
                       const std::function<bool(long long)>& progress,
                       long long chunkFrames = kResampleChunkFrames);

// Converts pcm to rateHz with a band-limited resampler; returns 0 or an error code.
int resampleTo(PcmData& pcm, int rateHz);

// Reads and decodes a sample file (offsetBytes/lengthBytes select part of it; 0, 0
// for all of it) at its own rate; returns 0 or an error code.
int decodeSampleFile(const char* path, long long offsetBytes, long long lengthBytes, PcmData& out);

// Reads, decodes and resamples a sample file exactly as the live library loads it.
// offsetBytes/lengthBytes select part of the file (0, 0 for all of it).
int loadSampleFile(const char* path, long long offsetBytes, long long lengthBytes, int rateHz,
                   PcmData& out);
