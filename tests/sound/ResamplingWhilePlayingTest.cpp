// A sample resampled on its own thread while the mixer already plays it: what is
// heard is the resampled audio or, where it was not ready yet, silence in its place,
// and the sample keeps time either way.
#include "sound/audio/LibraryHandles.h"
#include "sound/audio/Mixer.h"
#include "sound/audio/SampleLoader.h"
#include "sound/SoundFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int kBlockFrames = 512;

// Two minutes of a stereo chirp at 44.1 kHz: long enough that the first blocks are
// mixed while most of it is still being resampled.
PcmData chirpAt44k() {
    PcmData pcm;
    pcm.rateHz = pcm.sourceRateHz = 44100;
    pcm.sourceChannelCount = 2;
    const long long frameCount = 120LL * 44100;
    pcm.frames.resize(static_cast<size_t>(frameCount) * 2);
    for (long long n = 0; n < frameCount; ++n) {
        double t = static_cast<double>(n) / 44100;
        pcm.frames[2 * n] = static_cast<float>(0.5 * std::sin(2 * M_PI * (200 + 20 * t) * t));
        pcm.frames[2 * n + 1] = static_cast<float>(0.25 * std::sin(2 * M_PI * 330 * t));
    }
    pcm.sourceFrameCount = frameCount;
    return pcm;
}

}  // namespace

TEST(ResamplingWhilePlaying, theMixIsTheResampledAudioOrSilenceAndKeepsTime) {
    PcmData offline = chirpAt44k();
    ASSERT_EQ(resampleTo(offline, kMixRateHz), 0);

    LoadedSample sample;
    ASSERT_TRUE(sample.startResampling(chirpAt44k(), kMixRateHz));
    Mixer mixer(kMixRateHz, 4, kBlockFrames);
    int error = 0;
    ASSERT_EQ(mixer.startSample(0, &sample, Mixer::nowNs(), error), 0);
    // The start skips the few frames that went by since the call (on a busy machine).
    const long long lead = -mixer.channelStartFrame(0);
    ASSERT_GE(lead, 0);
    std::vector<float> out(kBlockFrames * 2);
    long long silentFrames = 0, heardFrames = 0;
    const int blockCount = 400;
    for (int block = 0; block < blockCount; ++block) {
        // A block a millisecond: faster than real time, slower than the resampling.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (block == blockCount / 2) {
            // On a machine busy enough to starve the resampling, the second half is
            // made ready first, so that some of the mix is always heard.
            sample.waitForFrames(lead + static_cast<long long>(blockCount) * kBlockFrames);
        }
        mixer.render(out.data(), kBlockFrames);
        for (int i = 0; i < kBlockFrames; ++i) {
            long long frame = static_cast<long long>(block) * kBlockFrames + i;
            bool silent = out[2 * i] == 0.0f && out[2 * i + 1] == 0.0f;
            silentFrames += silent ? 1 : 0;
            heardFrames += silent ? 0 : 1;
            if (!silent) {
                // The sample's frame n is mixed n frames after the start, as if it had been whole.
                long long played = frame + lead;
                ASSERT_EQ(out[2 * i], std::clamp(offline.frames[2 * played], -1.0f, 1.0f)) << frame;
                ASSERT_EQ(out[2 * i + 1], offline.frames[2 * played + 1]) << frame;
            }
        }
    }
    EXPECT_GT(heardFrames, 0);
    EXPECT_TRUE(mixer.isChannelPlaying(0));
    sample.waitUntilWhole();
    EXPECT_TRUE(sample.isWhole());
    // Whole, the sample is exactly what the one-go resampling makes.
    ASSERT_EQ(sample.readyFrames(), offline.frameCount());
    for (long long i = 0; i < 2 * offline.frameCount(); i += 997) {
        ASSERT_EQ(sample.pcm.frames[i], offline.frames[i]) << i;
    }
    std::printf("mixed %lld frames while resampling, %lld of them before they were ready\n",
                heardFrames + silentFrames, silentFrames);
}

TEST(ResamplingWhilePlaying, aSampleFreedMidwayStopsItsResampling) {
    auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i) {
        LoadedSample sample;
        ASSERT_TRUE(sample.startResampling(chirpAt44k(), kMixRateHz));
    }  // each one stops and waits on the way out
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("three samples made and freed in %.2f s\n", seconds);
    LoadedSample sample;
    ASSERT_TRUE(sample.startResampling(chirpAt44k(), kMixRateHz));
    sample.stopResampling();
    EXPECT_TRUE(sample.isWhole());  // as far as it got, and playable that far
    EXPECT_LT(sample.readyFrames(), 120LL * kMixRateHz);
}

// The fuzzing of the resampler crosses chunk ends with small chunks; that stands
// for the loader's large ones only while the chunking leaves no trace in the frames.
TEST(ResamplingWhilePlaying, theChunksLeaveNoTraceInTheFrames) {
    PcmData source = chirpAt44k();
    source.frames.resize(2 * 3 * 44100);
    const long long inFrames = source.frameCount();
    const double ratio = static_cast<double>(kMixRateHz) / 44100;
    const long long capacity = resampledCapacity(inFrames, ratio);
    auto resampled = [&](long long chunkFrames) {
        std::vector<float> out(2 * static_cast<size_t>(capacity));
        long long written = resampleInto(source.frames.data(), inFrames, ratio, out.data(), capacity,
                                         [](long long) { return true; }, chunkFrames);
        out.resize(2 * static_cast<size_t>(std::max(written, 0LL)));
        return out;
    };
    const std::vector<float> whole = resampled(kResampleChunkFrames);
    ASSERT_NEAR(static_cast<double>(whole.size() / 2), inFrames * ratio, 2.0);
    for (long long chunkFrames : {1000LL, 129LL, 1LL}) {
        EXPECT_TRUE(resampled(chunkFrames) == whole) << chunkFrames << "-frame chunks";
    }
}
