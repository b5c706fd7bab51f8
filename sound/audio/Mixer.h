// The software mixer behind the audio library: sample channels that play once,
// modules that loop, summed and clamped into stereo float blocks on SDL's audio
// thread. Its OutputClock says when what it mixes is heard and at what pace the
// samples keep with the clock (the output's own clock runs a little fast or slow).
// It keeps the recent mono mix in a lock-free ring so the main thread can analyse
// what is being heard without locking. Control calls come from the main thread
// with the audio device locked; the ring and counters need no lock.
#pragma once

#include "sound/audio/LibraryHandles.h"
#include "sound/audio/OutputClock.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class Mixer {
public:
    static constexpr int kAnchorBlocks = 16;
    // The longest output latency whose heard window the ring keeps, at any rate: more
    // than any output has shown (ALSA through its PulseAudio plugin, 0.39 s).
    static constexpr double kMaxFollowedLatencySeconds = 1.0;

    // Times everything on nowNs: the process clock, or a test's.
    Mixer(int mixRateHz, int channelCount, int blockFrames, OutputClock::Clock nowNs = &Mixer::nowNs);

    // Audio thread: mixes frameCount stereo frames into out and publishes them.
    void render(float* out, int frameCount);

    // Any thread: see OutputClock::setOutputLatency.
    void setOutputLatency(int frames);
    // Before the device starts: see OutputClock::setLatencySource.
    void setLatencySource(std::function<long long()> readLatencyUs);
    // Before the device starts: see OutputClock::setRequestTiming.
    void setRequestTiming(bool enabled);

    // Device locked: keep the mix in step with the wall clock. For output that
    // nobody hears (SDL's dummy driver sleeps a little longer than each block lasts),
    // frames the clock says are due are mixed and published before the next block.
    // Samples play frame for frame from then on.
    void setClockPacing(bool enabled);
    // Device locked, with clock pacing: mixes, publishes and drops what the wall clock
    // says is due by now, in whole blocks. Each block does this first (to the frame);
    // whoever finds the device no longer asking for blocks (a frozen server) calls it
    // to keep the heard position going.
    void keepUpWithClock();

    // Device locked: plays sample on channel (FSOUND_FREE for any idle one); the channel
    // or -1 with error set. The sample starts as far in as the output lags (and as
    // the time since calledNs, on nowNs()), so that its frame n is heard n frames
    // after calledNs; while the heard clock is fitted it then plays a little faster
    // or slower to stay so (within OutputClock::kMaxStepDeviation). A sample no longer
    // than that lag plays whole from its start, late by the lag at most.
    // fromFrame starts it that far in instead: that frame is the one heard at calledNs.
    int startSample(int channel, const LoadedSample* sample, long long calledNs, int& error,
                    long long fromFrame = 0);
    // Device locked: the channel's sample goes on from sample frame frame, heard at
    // calledNs (a paused channel will resume there); false for an idle channel.
    bool seekChannel(int channel, long long frame, long long calledNs);
    // Device locked: takes the channel out of the mix at the frame the clock says is
    // heard at calledNs, or puts it back from there, heard from calledNs on. What the
    // output already holds is still heard. False for an idle channel.
    bool pauseChannel(int channel, bool paused, long long calledNs);
    // Device locked: whether the channel is paused.
    bool isChannelPaused(int channel) const;
    // Device locked: the sample frame the clock says the channel has heard at atNs
    // (the paused frame while paused), and the mixer frame from which its current
    // position was first mixed; -1 for an idle channel.
    long long channelClockFrame(int channel, long long atNs) const;
    long long channelFirstMixedFrame(int channel) const;
    // Device locked: the sample the channel plays, or null.
    const LoadedSample* channelSample(int channel) const;
    // Device locked: silences every channel playing sample.
    void stopSample(const LoadedSample* sample);
    // Device locked: (re)starts song from its beginning, looping.
    void startSong(LoadedModule* song);
    // Device locked: takes song out of the mix.
    void stopSong(LoadedModule* song);
    // Device locked: channel state for inspection.
    bool isChannelPlaying(int channel) const;
    long long channelStartFrame(int channel) const;
    // Device locked: the sample frame (fractional while the pace is adjusted) the
    // channel plays at mixerFrame, in one of its last kAnchorBlocks blocks; -1 if unknown.
    double channelSampleFrame(int channel, long long mixerFrame) const;

    // The clock requests are timed on, in nanoseconds: the process clock, the one the
    // demo's frame timer reads, so that the two cannot drift apart.
    static long long nowNs();
    // The output's clock, for inspection.
    const OutputClock& output() const { return outputClock; }

    // Any thread, lock-free: frames mixed so far.
    long long mixedFrames() const;
    // Any thread, lock-free: the mixer frame being heard now (OutputClock::heardFrame).
    long long heardFrame() const;
    // Any thread, lock-free: the mono mix of frames [endFrame - 1024, endFrame); frames not
    // mixed yet or before the start read as silence. False if the ring moved on meanwhile
    // (or the window lies further back than kMaxFollowedLatencySeconds and two blocks).
    bool copyMonoWindow(long long endFrame, float* window) const;
    // Any thread: peak absolute output since the last call.
    float takePeak();

private:
    struct Voice {
        const LoadedSample* sample = nullptr;
        long long position = 0;
        long long startFrame = -1;
        // The mixer frame the current position was first mixed at.
        long long firstMixedFrame = -1;
        // Out of the mix, to resume at pausedFrame.
        bool paused = false;
        long long pausedFrame = 0;
        // Between frames once the pace has been adjusted; step is sample frames per output frame.
        double fraction = 0.0;
        double step = 1.0;
        // When frame 0 is due to be heard, on the request clock.
        long long zeroHeardNs = 0;
        // The offset from the clock it keeps while paced by the requests (NaN: none yet).
        double keptAheadFrames = 0.0;
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
    void mixDue(long long frameCount);
    void steerVoices();
    void mixVoices(float* out, int frameCount);
    void mixSongs(float* out, int frameCount);
    void publish(float* out, int frameCount);
    void mixVoiceStepped(Voice& voice, float* out, int frameCount);

    int mixRateHz;
    int blockFrames;
    std::vector<Voice> voices;
    std::vector<LoadedModule*> songs;
    std::vector<float> songBlock;
    std::vector<float> catchUpBlock;
    OutputClock outputClock;
    int ringFrames;
    std::unique_ptr<std::atomic<float>[]> ring;
    std::atomic<long long> mixed{0};
    std::atomic<float> peak{0.0f};
};
