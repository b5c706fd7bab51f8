// The software mixer behind the audio library: sample channels that play once,
// modules that loop, summed and clamped into stereo float blocks on SDL's audio
// thread. Where the server says what it is playing, samples keep pace with the
// clock rather than with the output, whose own clock runs a little fast or slow.
// It keeps the recent mono mix in a lock-free ring so the main thread can analyse
// what is being heard without locking. Control calls come from the main thread
// with the audio device locked; the ring and counters need no lock.
#pragma once

#include "sound/audio/HeardClock.h"
#include "sound/audio/LibraryHandles.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class Mixer {
public:
    static constexpr int kAnchorBlocks = 16;

    Mixer(int mixRateHz, int channelCount, int blockFrames);

    // Audio thread: mixes frameCount stereo frames into out and publishes them.
    void render(float* out, int frameCount);

    // Any thread: frames between a block's request and the moment its first frame is
    // heard (what the device and the server still hold), for this output.
    void setOutputLatency(int frames);
    // Before the device starts: how the audio thread asks, at each block's request,
    // for the latency at that moment in microseconds (-1: no answer). Its answers
    // place what is heard on the clock (HeardClock); without them the latency set
    // above stands and samples play frame for frame.
    void setLatencySource(std::function<long long()> readLatencyUs);

    // Device locked: keep the mix in step with the wall clock. For output that
    // nobody hears (SDL's dummy driver sleeps a little longer than each block lasts),
    // frames the clock says are due are mixed and published before the next block.
    void setClockPacing(bool enabled);

    // Device locked: plays sample on channel (FSOUND_FREE for any idle one); the channel
    // or -1 with error set. The sample starts as far in as the output lags (and as
    // the time since calledNs, on nowNs()), so that its frame n is heard n frames
    // after calledNs; while the heard clock is fitted it then plays a little faster
    // or slower to stay so (within kMaxStepDeviation).
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
    // Device locked: the sample frame (fractional while the pace is adjusted) the
    // channel plays at mixerFrame, in one of its last kAnchorBlocks blocks; -1 if unknown.
    double channelSampleFrame(int channel, long long mixerFrame) const;

    // The last block asked for by the device: when (nowNs) and which frames, and the
    // frame heard then with the output's pace, where the heard clock is fitted.
    struct Request {
        long long atNs = 0;
        long long firstFrame = 0;
        int frameCount = 0;
        double heardFrame = 0.0;
        double heardFramesPerSecond = 0.0;
    };
    // Any thread, lock-free.
    Request lastRequest() const;
    // The clock requests are timed on, in nanoseconds: SDL's performance counter,
    // the one the demo's frame timer reads, so that the two cannot drift apart.
    static long long nowNs();

    // Any thread, lock-free: frames mixed so far.
    long long mixedFrames() const;
    // Any thread, lock-free: the mixer frame being heard now: at a block's request the
    // heard clock's frame where it is fitted, else the output latency before the block;
    // then advancing with the clock for at most one block (a device that stops asking
    // has stopped playing); never past what is mixed.
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
        // Between frames once the pace has been adjusted; step is sample frames per output frame.
        double fraction = 0.0;
        double step = 1.0;
        // When frame 0 is due to be heard, on the request clock.
        long long zeroHeardNs = 0;
        // Where each recent block started in the sample, and at what pace.
        struct Anchor {
            long long mixerFrame = -1;
            double sampleFrame = 0.0;
            double step = 1.0;
        };
        std::array<Anchor, kAnchorBlocks> anchors{};
        int newestAnchor = 0;
    };

    void mixBlock(float* out, int frameCount);
    void catchUpWithClock();
    void mixVoices(float* out, int frameCount);
    void mixSongs(float* out, int frameCount);
    void publish(float* out, int frameCount);
    void noteRequest(int frameCount);
    void observeOutput(long long requestNs, long long firstFrame);
    void steerVoices(long long requestNs, long long firstFrame);
    void mixVoiceStepped(Voice& voice, float* out, int frameCount);

    int mixRateHz;
    int blockFrames;
    std::vector<Voice> voices;
    std::vector<FMUSIC_MODULE*> songs;
    std::vector<float> songBlock;
    std::vector<float> catchUpBlock;
    bool clockPacing = false;
    long long clockOriginNs = 0;
    bool clockStarted = false;
    std::function<long long()> latencySource;
    HeardClock heardClock;
    // The last block's request: when it came and which frames it asked for, published
    // under a sequence count so the main thread reads the three together.
    std::atomic<unsigned> requestSequence{0};
    std::atomic<long long> requestNs{0};
    std::atomic<long long> requestFirstFrame{0};
    std::atomic<int> requestFrameCount{0};
    // The heard clock at the request, when fitted (rate 0 otherwise).
    std::atomic<double> requestHeardFrame{0.0};
    std::atomic<double> requestHeardRate{0.0};
    std::atomic<int> latencyFrames{0};
    // How far a sample's pace may leave its rate, and how soon a sample that is
    // heard early or late is brought back to the clock.
    static constexpr double kMaxStepDeviation = 0.002;
    static constexpr double kSteerSeconds = 2.0;
    // Room for the output latency (up to about 0.4 s on ALSA), a block and the window.
    static constexpr int kRingFrames = 65536;
    std::unique_ptr<std::atomic<float>[]> ring;
    std::atomic<long long> mixed{0};
    std::atomic<float> peak{0.0f};
};
