// The output latency from a server's readings of it. A reading is the time until the
// last frame written is heard, and SDL (like ALSA's PulseAudio plugin) writes each
// block piecewise as the server asks for more, so the readings fall between two
// writes and rise at each. The highest of the last second's, taken just after a
// write, is the latency from a block's request (when everything before it had been
// written) to its first frame heard: what the mixer's heard position needs. A mean
// would read the buffer half a write low. Used by one thread at a time.
#pragma once

#include <deque>

class LatencyWindow {
public:
    // Takes one reading; readings of zero or less (a server that does not report
    // its latency) and the first few, while the stream fills, are left out.
    void add(long long latencyUs);
    // The latency to use, or -1 before any reading was kept.
    long long latencyUs() const;

    static constexpr int kSkippedReadings = 3;
    static constexpr int kKeptReadings = 10;

private:
    int skipped = 0;
    std::deque<long long> recent;
};
