// Which mixer frame is being heard at a given moment, fitted to the moments the
// server was asked. Each observation pairs a time with the frame heard then (the
// frames written less the latency the server reports at that moment); a straight
// line through the last few seconds of them gives the output's pace against the
// clock and its position between observations, steadier than any one reading.
// Audio thread only; the mixer publishes what the main thread needs.
#pragma once

#include <array>

class HeardClock {
public:
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

    // The stream is still filling up at first and what is heard does not advance yet.
    static constexpr long long kSettleNs = 300000000;
    static constexpr long long kWindowNs = 4000000000;
    static constexpr long long kReadySpanNs = 250000000;
    static constexpr int kReadyCount = 3;
    // An observation further off the line is a glitch of the reading, unless the
    // next few agree with it: then the output itself has jumped, and the fit starts anew.
    static constexpr double kOutlierSeconds = 0.003;
    static constexpr int kOutliersBeforeReset = 4;

private:
    struct Observation {
        long long atNs;
        double frame;
    };
    void refit();

    static constexpr int kCapacity = 64;
    std::array<Observation, kCapacity> observations{};
    int count = 0;
    int newest = -1;
    long long firstNs = -1;
    int outliersInRow = 0;
    bool fitted = false;
    long long anchorNs = 0;
    double anchorFrame = 0.0;
    double rate = 0.0;
};
