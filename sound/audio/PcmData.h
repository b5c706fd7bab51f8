// Whole-file audio decoding for the audio library: bytes in memory become
// interleaved stereo float frames, at the file's own rate or resampled to the
// mix rate. Plain functions, no shared state; any thread.
#pragma once

#include <cstddef>
#include <vector>

// Decoded audio: interleaved stereo floats (mono sources are copied to both sides).
struct PcmData {
    std::vector<float> frames;
    int rateHz = 0;
    int sourceChannelCount = 0;
    // The file's own rate and length, kept through resampling.
    int sourceRateHz = 0;
    long long sourceFrameCount = 0;

    long long frameCount() const { return static_cast<long long>(frames.size() / 2); }
};

// Longest decoded audio we keep in memory; longer files fail with "not enough memory".
constexpr double kMaxDecodedSeconds = 20.0 * 60.0;
// Largest file we read whole.
constexpr long long kMaxFileBytes = 256LL * 1024 * 1024;

// Reads a whole file; returns 0 or an error code (file not found, bad file, memory).
int readWholeFile(const char* path, std::vector<unsigned char>& bytes);

// Decodes an MP3 stream (MPEG audio layer 1-3); returns 0 or an error code.
int decodeMp3(const unsigned char* data, size_t size, PcmData& out);

// Decodes an Ogg Vorbis stream; returns 0 or an error code.
int decodeOgg(const unsigned char* data, size_t size, PcmData& out);

// Picks the decoder from the content (and, for headerless MP3, the path's suffix).
int decodeSampleBytes(const char* path, const unsigned char* data, size_t size, PcmData& out);

// Converts pcm to rateHz with a band-limited resampler; returns 0 or an error code.
int resampleTo(PcmData& pcm, int rateHz);

// Reads, decodes and resamples a sample file exactly as the live library loads it.
// offsetBytes/lengthBytes select part of the file (0, 0 for all of it).
int loadSampleFile(const char* path, long long offsetBytes, long long lengthBytes, int rateHz,
                   PcmData& out);
