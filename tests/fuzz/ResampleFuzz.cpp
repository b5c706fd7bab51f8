// libFuzzer target for the resampling that sample loading does after decoding:
// decoded frames at any rate a decoder may report, to the mix rate. The bytes
// say the source rate, the chunk size and whether the caller stops after the
// first chunk; the rest are 16-bit samples, the range decoders produce.
// The resampler must write only where it says, never reach the room it was
// given, keep every frame of the input's length, stay finite and bounded, and
// give the same frames however the progress callback answers and however
// large its chunks are.
#include "sound/AudioLibrary.h"
#include "sound/SoundFormat.h"
#include "sound/audio/SampleLoader.h"
#include "tests/fuzz/FuzzSupport.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kHeaderBytes = 5;
// The rates decoders report (see SoundFuzz.cpp).
constexpr int kLowestRateHz = 1000;
constexpr int kHighestRateHz = 384000;
// Each output frame costs the sinc filter some 700 multiplications, so the input
// is cut where its output would pass this many frames: an input stays well under
// a millisecond. The chunk ends that sample loading meets only past 32768 input
// frames are reached here by chunks of 1 to 1021 frames.
constexpr long long kMostOutputFrames = 4096;
// Written past the frames reported, the resampler would overwrite this.
constexpr float kUntouched = 12345.0f;

struct Job {
    int rateHz = 0;
    long long chunkFrames = 0;
    bool stopAfterFirstChunk = false;
    std::vector<float> frames;  // interleaved stereo
};

// The job the bytes describe; empty frames when there are too few bytes.
Job jobFrom(const uint8_t* data, size_t size) {
    Job job;
    if (size < kHeaderBytes + 4) return job;
    unsigned rateBits = data[0] | unsigned(data[1]) << 8 | unsigned(data[2]) << 16;
    job.rateHz = kLowestRateHz + static_cast<int>(rateBits % (kHighestRateHz - kLowestRateHz + 1));
    job.chunkFrames = 1 + 4 * static_cast<long long>(data[3]);
    job.stopAfterFirstChunk = (data[4] & 1) != 0;
    const double ratio = static_cast<double>(kMixRateHz) / job.rateHz;
    long long frameCount = static_cast<long long>((size - kHeaderBytes) / 4);
    frameCount = std::min<long long>(frameCount, static_cast<long long>(kMostOutputFrames / ratio));
    frameCount = std::max<long long>(frameCount, 1);
    job.frames.resize(2 * static_cast<size_t>(frameCount));
    for (size_t i = 0; i < job.frames.size(); ++i) {
        const uint8_t* sample = data + kHeaderBytes + 2 * i;
        job.frames[i] = static_cast<int16_t>(sample[0] | sample[1] << 8) / 32768.0f;
    }
    return job;
}

// The windowed sinc rings past a step, but by far less than this.
bool boundedAndFinite(const std::vector<float>& frames, long long count) {
    for (long long i = 0; i < 2 * count; ++i) {
        if (!std::isfinite(frames[i]) || std::fabs(frames[i]) > 4.0f) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string folder = fuzz::seedFolder("FUZZ_SEED_DIR");
    if (folder.empty()) return 0;
    // 44.1 kHz to the end in 129-frame chunks; 8 kHz stopped after a 41-frame chunk.
    std::vector<uint8_t> seed = {0x44, 0xAC, 0x00, 32, 0};
    for (int i = 0; i < 400; ++i) {
        int16_t sample = static_cast<int16_t>(12000 * std::sin(i * 0.3));
        seed.push_back(uint8_t(sample & 0xFF));
        seed.push_back(uint8_t(uint16_t(sample) >> 8));
    }
    fuzz::writeSeed(folder, "seed-44k.bin", seed);
    seed[0] = 0x40, seed[1] = 0x1F, seed[3] = 10, seed[4] = 1;
    fuzz::writeSeed(folder, "seed-8k-stopped.bin", seed);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Job job = jobFrom(data, size);
    if (job.frames.empty()) return 0;
    // As sample loading does it.
    PcmData pcm;
    pcm.frames = job.frames;
    pcm.rateHz = job.rateHz;
    if (resampleTo(pcm, kMixRateHz) != FMOD_ERR_NONE || pcm.rateHz != kMixRateHz) std::abort();
    const long long inFrames = static_cast<long long>(job.frames.size() / 2);
    const double ratio = static_cast<double>(kMixRateHz) / job.rateHz;
    const long long capacity = resampledCapacity(inFrames, ratio);
    // Every frame of the input's length, and within the room made for it.
    if (std::fabs(pcm.frameCount() - inFrames * ratio) > 2.0 || pcm.frameCount() >= capacity) std::abort();
    if (!boundedAndFinite(pcm.frames, pcm.frameCount())) std::abort();
    // Called directly in the job's chunks, with a caller that may stop after the
    // first: nothing past what it reports is written, and what it wrote is the
    // same frames.
    std::vector<float> out(2 * static_cast<size_t>(capacity), kUntouched);
    long long firstProgress = -1;
    auto progress = [&](long long soFar) {
        if (firstProgress < 0) firstProgress = soFar;
        return !job.stopAfterFirstChunk;
    };
    long long written = resampleInto(job.frames.data(), inFrames, ratio, out.data(), capacity, progress, job.chunkFrames);
    if (written < 0 || written > pcm.frameCount()) std::abort();
    // Stopped, it ends with what it had written when it asked first; else it runs to the end.
    if (job.stopAfterFirstChunk && firstProgress >= 0 && written != firstProgress) std::abort();
    if (!job.stopAfterFirstChunk && written != pcm.frameCount()) std::abort();
    for (size_t i = 2 * static_cast<size_t>(written); i < out.size(); ++i) {
        if (out[i] != kUntouched) std::abort();
    }
    if (std::memcmp(out.data(), pcm.frames.data(), 2 * static_cast<size_t>(written) * sizeof(float)) != 0) std::abort();
    return 0;
}
