// Which mixer frame is being heard at a given moment, fitted to moments the output
// was observed. Each observation pairs a time with a frame: the frame heard then
// (the frames written less the latency the server reports at that moment), or the
// first frame of a block the device asked for then. A straight line through the last
// seconds of them gives the output's pace against the clock and its position between
// observations, steadier than any one of them. Audio thread only; the mixer publishes
// what the main thread needs.
#pragma once

#include <array>

class HeardClock {
public:
    // How observations are taken in and fitted.
    struct Settings {
        // Left out at first, while the stream fills and what is heard does not advance yet.
        long long settleNs;
        // The span of the fit.
        long long windowNs;
        // The fit can be trusted once it spans this long with this many observations.
        long long readySpanNs;
        int readyCount;
        // An observation further off the line is a glitch of the reading, unless the
        // next few are off too: then the output itself has jumped, and the fit moves
        // with it by as much as they say, keeping its pace.
        double outlierSeconds;
        int outliersBeforeJump;
        // Where set, an observation is left out of the fit already at this many times
        // the median distance of the fitted ones from the line, though never within
        // minOutlierSeconds; only one beyond outlierSeconds counts towards a jump. An
        // output that keeps to its line within a tenth of a millisecond is then not
        // moved by the rare request the audio thread makes late by ten, nor by a
        // server that asks 6 ms later for a few seconds while its sound goes on.
        double spreadsToOutlier;
        double minOutlierSeconds;
    };
    // A server's readings of its latency at each block's request: within 0.1 ms of a line.
    static const Settings kServerReadings;
    // The moments a device asks for its blocks: a few milliseconds off a line (the
    // device frees room in steps, and the audio thread is late at times), and tens of
    // milliseconds once in a while; fitted over longer, after the buffers have filled.
    static const Settings kBlockRequests;

    explicit HeardClock(const Settings& settings = kServerReadings);

    // Notes that frame heardFrame was being heard at atNs (Mixer::nowNs()'s clock).
    void observe(long long atNs, double heardFrame);
    // Forgets every observation, as after the output was lost.
    void reset();

    // Whether the fit can be trusted: enough observations over a long enough span.
    bool ready() const;
    // The frame heard at atNs, on the fitted line (ready() only).
    double heardFrameAt(long long atNs) const;
    // Frames heard per second of the clock (ready() only).
    double framesPerSecond() const { return rate; }
    const Settings& settings() const { return tuning; }

private:
    struct Observation {
        long long atNs;
        double frame;
        // Too far off the line to be fitted (watched spread only).
        bool leftOut;
    };
    // The i-th newest observation.
    Observation& at(int i) { return observations[(newest - i + kCapacity) % kCapacity]; }
    const Observation& at(int i) const { return observations[(newest - i + kCapacity) % kCapacity]; }
    void add(const Observation& observation);
    void followJump();
    void refit();
    bool fitLine(int inWindow);
    double outlierFrames() const;

    // Enough for the longest window, with 64-ms blocks.
    static constexpr int kCapacity = 256;
    static constexpr int kMaxOutliersInRow = 16;
    Settings tuning;
    std::array<Observation, kCapacity> observations{};
    int count = 0;
    int newest = -1;
    long long firstNs = -1;
    long long lastAddedNs = 0;
    // The observations off the line since the last one on it (outliersBeforeJump at most).
    std::array<Observation, kMaxOutliersInRow> outliers{};
    int outliersInRow = 0;
    bool fitted = false;
    long long anchorNs = 0;
    double anchorFrame = 0.0;
    double rate = 0.0;
    // The fitted observations' median distance from the line, in frames.
    double spreadFrames = 0.0;
    std::array<double, kCapacity> distances{};
};
