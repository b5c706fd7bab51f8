// The software mixer behind the audio library: sample channels that play once,
// modules that loop, summed and clamped into stereo float blocks on SDL's audio
// thread. It keeps the recent mono mix in a lock-free ring so the main thread can
// analyse what is being heard without locking. Control calls come from the main
// thread with the audio device locked; the ring and counters need no lock.
#pragma once

#include "sound/audio/LibraryHandles.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

class Mixer {
public:
    Mixer(int mixRateHz, int channelCount, int blockFrames);

    // Audio thread: mixes frameCount stereo frames into out and publishes them.
    void render(float* out, int frameCount);

    // Any thread: frames between a block's request and the moment its first frame is
    // heard (what the device and the server still hold), for this output.
    void setOutputLatency(int frames);

    // Device locked: keep the mix in step with the wall clock. For output that
    // nobody hears (SDL's dummy driver sleeps a little longer than each block lasts),
    // frames the clock says are due are mixed and published before the next block.
    void setClockPacing(bool enabled);

    // Device locked: plays sample on channel (FSOUND_FREE for any idle one); the channel
    // or -1 with error set. The sample starts as far in as the output lags and as the
    // time since calledNs (on nowNs()), so that its frame n is heard n frames after calledNs.
    int startSample(int channel, const FSOUND_SAMPLE* sample, long long calledNs, int& error);
    // Device locked: silences every channel playing sample.
    void stopSample(const FSOUND_SAMPLE* sample);
    // Device locked: (re)starts song from its beginning, looping.
    void startSong(FMUSIC_MODULE* song);
    // Device locked: takes song out of the mix.
    void stopSong(FMUSIC_MODULE* song);
    // Device locked: channel state for inspection.
    bool isChannelPlaying(int channel) const;
    long long channelStartFrame(int channel) const;

    // The last block asked for by the device: when (steady clock, ns) and which frames.
    struct Request {
        long long atNs = 0;
        long long firstFrame = 0;
        int frameCount = 0;
    };
    // Any thread, lock-free.
    Request lastRequest() const;
    // The steady clock in nanoseconds, as requests are timed.
    static long long nowNs();

    // Any thread, lock-free: frames mixed so far.
    long long mixedFrames() const;
    // Any thread, lock-free: the mixer frame being heard now: at a block's request the
    // output latency before the block, then advancing with the clock for at most one block
    // (a device that stops asking has stopped playing); never past what is mixed.
    long long heardFrame() const;
    // Any thread, lock-free: the mono mix of frames [endFrame - 1024, endFrame); frames not
    // mixed yet or before the start read as silence. False if the ring moved on meanwhile.
    bool copyMonoWindow(long long endFrame, float* window) const;
    // Any thread: peak absolute output since the last call.
    float takePeak();

private:
    struct Voice {
        const FSOUND_SAMPLE* sample = nullptr;
        long long position = 0;
        long long startFrame = -1;
    };

    void mixBlock(float* out, int frameCount);
    void catchUpWithClock();
    void mixVoices(float* out, int frameCount);
    void mixSongs(float* out, int frameCount);
    void publish(float* out, int frameCount);
    void noteRequest(int frameCount);

    int mixRateHz;
    int blockFrames;
    std::vector<Voice> voices;
    std::vector<FMUSIC_MODULE*> songs;
    std::vector<float> songBlock;
    std::vector<float> catchUpBlock;
    bool clockPacing = false;
    std::chrono::steady_clock::time_point clockOrigin;
    bool clockStarted = false;
    // The last block's request: when it came and which frames it asked for, published
    // under a sequence count so the main thread reads the three together.
    std::atomic<unsigned> requestSequence{0};
    std::atomic<long long> requestNs{0};
    std::atomic<long long> requestFirstFrame{0};
    std::atomic<int> requestFrameCount{0};
    std::atomic<int> latencyFrames{0};
    // Room for the output latency (up to about 0.4 s on ALSA), a block and the window.
    static constexpr int kRingFrames = 65536;
    std::unique_ptr<std::atomic<float>[]> ring;
    std::atomic<long long> mixed{0};
    std::atomic<float> peak{0.0f};
};
