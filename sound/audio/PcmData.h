// Decoded audio as the audio library keeps it, and the limits every decoder
// holds to. Plain data; any thread.
#pragma once

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
