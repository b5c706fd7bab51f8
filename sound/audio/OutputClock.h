// When the mixer's frames are heard, and the pace that keeps samples with the clock.
// It keeps time one of three ways:
// - an output that says how late it is (a latency source, asked at each block's
//   request): what is heard is fitted against the clock (HeardClock), and samples
//   are paced to follow that fit; where it does not say so at the requests, but
//   the device asks for its blocks at its own pace, the requests are fitted instead
//   for the output's pace, and the latency set places what is heard behind them;
// - an output nobody hears (SDL's dummy driver), or one lost or frozen: the wall
//   clock says what is heard, and the mix is kept the latency ahead of it;
// - otherwise the latency set stands and samples play frame for frame.
// The thread that mixes (SDL's audio thread, or any with the device locked) calls
// the block operations; the queries are lock-free from any thread. Time comes from
// the clock given (the process clock, or a test's).
#pragma once

#include "sound/audio/HeardClock.h"

#include <atomic>
#include <functional>

// Frames at rateHz as nanoseconds and back, truncated toward zero. Whole seconds and
// the rest are converted apart, so that no product leaves 64 bits in thousands of
// years of playing at 192 kHz.
long long framesToNs(long long frames, int rateHz);
long long nsToFrames(long long ns, int rateHz);

class OutputClock {
public:
    // Nanoseconds on a monotonic clock.
    using Clock = std::function<long long()>;

    OutputClock(int mixRateHz, Clock nowNs);

    // Any thread: frames between a block's request and the moment its first frame is
    // heard (what the device and the server still hold), for this output.
    void setOutputLatency(int frames);
    int outputLatency() const;
    // Before the device starts: how to ask, at each block's request, for the latency
    // at that moment in microseconds (-1: no answer). Its answers feed the fit; without
    // them the latency set above stands.
    void setLatencySource(std::function<long long()> readLatencyUs);
    // Before the device starts: time the output by the moments its blocks are asked for
    // too, where no latency source answers (a device that asks at its own pace).
    void setRequestTiming(bool enabled);
    // Mixing thread: keep the mix on the wall clock (or stop doing so); forgets the fits.
    // Where a block was asked for before, what is heard goes on from where it was then,
    // at the clock's pace; otherwise from what is mixed less the latency, at the next block.
    void setWallClockPacing(bool enabled);
    bool wallClockPacing() const { return wallClock; }

    // Mixing thread, before a block, with wall-clock pacing: the frames that are due by
    // now beyond mixedSoFar, to be mixed (and dropped) before the block; 0 otherwise.
    long long framesDue(long long mixedSoFar);
    // Mixing thread, at a block's request: notes when it came and which frames it
    // asks for, and observes the output where a latency source says how late it is.
    void noteRequest(long long firstFrame, int frameCount);
    // Mixing thread, after noteRequest: whether samples follow the fit this block.
    bool pacesSamples() const;
    // Mixing thread, while pacesSamples(): sample frames per mixer frame for this block
    // for a sample whose frame 0 is due to be heard at zeroHeardNs and which stands at
    // samplePosition at the block's first frame: the output's frames per clock second
    // in sample frames, plus what brings a sample heard early or late back to the clock
    // over kSteerSeconds; never further than kMaxStepDeviation from 1. A server's
    // readings say exactly what is heard. A fit of the requests gives the output's pace,
    // but places what is heard only as well as the latency set: there a sample is kept
    // at the offset from the clock it started with (its frame 0 at mixer frame
    // startFrame, as the fit places that now), which keptAheadFrames holds for the
    // caller from the first time it is paced, NaN until then.
    double sampleStep(long long zeroHeardNs, long long startFrame, double samplePosition,
                      double& keptAheadFrames) const;

    // The last block asked for: when (on the clock) and which frames, and the frame
    // heard then with the output's pace, where the fit is used (pace 0 otherwise).
    struct Request {
        long long atNs = 0;
        long long firstFrame = 0;
        int frameCount = 0;
        double heardFrame = 0.0;
        double heardFramesPerSecond = 0.0;
    };
    // Any thread, lock-free.
    Request lastRequest() const;
    // Any thread, lock-free: the mixer frame heard now, at most mixedSoFar. On the wall
    // clock, where the clock says. Otherwise at the last request the fit's frame where it
    // is used, else the latency before the block; then advancing with the clock for at
    // most one block (a device that stops asking has stopped playing).
    long long heardFrame(long long mixedSoFar) const;
    // Any thread: true when no block has been asked for in the last kStalledOutputNs,
    // counted from startedNs (when the device was started) before the first: the
    // output's server has frozen or is blocked, and SDL waits on it.
    bool outputStalled(long long startedNs) const;
    // Any thread: the clock's reading.
    long long nowNs() const { return clock(); }

    // How far a sample's pace may leave its rate, and how soon a sample that is heard
    // early or late is brought back to the clock: its error falls e-fold every
    // kSteerSeconds, at 0.2 % (2 ms a second) at most. A sample started a few ms off on
    // an output whose pace is off by up to 0.1 % is heard within 0.5 ms of the clock
    // kSettleSeconds after it starts.
    static constexpr double kMaxStepDeviation = 0.002;
    static constexpr double kSteerSeconds = 2.0;
    static constexpr int kSettleSeconds = 8;
    // Four of the real outputs' blocks: longer than a busy machine keeps the audio
    // thread waiting, short enough that the picture hardly sees the spectrum stop.
    static constexpr long long kStalledOutputNs = 500000000;

private:
    void observeOutput(long long requestNs, long long firstFrame);
    void startWallClock(long long originNs);
    // The fit in use (ready, off the wall clock), or null; and what it says is heard.
    const HeardClock* fit() const;
    double fittedHeardFrameAt(long long atNs) const;
    void publishRequest(long long atNs, long long firstFrame, int frameCount, bool fitted);

    int mixRateHz;
    Clock clock;
    std::function<long long()> latencySource;
    HeardClock readingsFit{HeardClock::kServerReadings};
    HeardClock requestsFit{HeardClock::kBlockRequests};
    bool requestTiming = false;
    // The latency the requests' fit was taken with when it became ready, so that later
    // changes of the latency set do not move the samples it paces.
    bool requestsFitWasReady = false;
    int requestsFitLatency = 0;
    bool wallClock = false;
    bool wallClockStarted = false;
    // When frame 0 is heard on the wall clock, for readers (kNoOrigin off the wall clock).
    static constexpr long long kNoOrigin = -(1LL << 62);
    std::atomic<long long> wallOriginNs{kNoOrigin};
    // The block last asked for, and when its first frame is heard (fitted output only).
    long long blockFirstFrame = 0;
    double blockHeardNs = 0.0;
    std::atomic<int> latencyFrames{0};
    // The last block's request, published under a sequence count so that readers
    // take its fields together.
    std::atomic<unsigned> requestSequence{0};
    std::atomic<long long> requestNs{0};
    std::atomic<long long> requestFirstFrame{0};
    std::atomic<int> requestFrameCount{0};
    std::atomic<double> requestHeardFrame{0.0};
    std::atomic<double> requestHeardRate{0.0};
};
