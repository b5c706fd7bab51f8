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
// Most decoded bytes we keep, whatever the rate: 20 minutes of stereo floats at
// 48 kHz. Without it a small file declaring a rate of hundreds of kHz could grow
// to gigabytes within its 20 minutes.
constexpr long long kMaxDecodedBytes = 1200LL * 48000 * 2 * static_cast<long long>(sizeof(float));

// True once frameCount stereo frames at rateHz pass either cap.
inline bool exceedsDecodeCaps(long long frameCount, int rateHz) {
    return frameCount > kMaxDecodedSeconds * rateHz ||
           frameCount * 2 * static_cast<long long>(sizeof(float)) > kMaxDecodedBytes;
}
// Largest file we read whole.
constexpr long long kMaxFileBytes = 256LL * 1024 * 1024;

// Reads a whole file; returns 0 or an error code (file not found, which a path
// that is not a regular file counts as; bad file; memory).
int readWholeFile(const char* path, std::vector<unsigned char>& bytes);

// Decodes an MP3 stream (MPEG audio layer 1-3); returns 0 or an error code. A
// stream whose MPEG frames fill less than half of it (tags aside) is not MP3,
// whatever few frames a decoder can find in it: bad file.
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
