// The output latency a PulseAudio server (or PipeWire's PulseAudio service) reports
// for this process's playback stream: how long until the last frame written to it is
// heard. SDL says nothing about it, and it changes with the server, its sink, the
// driver (SDL's own or ALSA's PulseAudio plugin) and the load, so the mixer asks the
// server instead of assuming a figure. libpulse is opened at run time, as SDL opens
// it, so the demo still starts where it is not installed.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class ServerLatency {
public:
    ServerLatency();
    ServerLatency(const ServerLatency&) = delete;
    ServerLatency& operator=(const ServerLatency&) = delete;
    ~ServerLatency();

    // Main thread, before the output stream is opened: connects to the server (never
    // starting one) within about 0.3 s and notes the playback streams this process
    // already has, so that the one opened next can be told apart. False when there is
    // no server or no libpulse.
    bool connect();

    // After the output stream is opened, on one thread at a time (the audio thread):
    // asks the server now for the latency of the playback stream this process opened
    // since connect(), in microseconds, waiting at most kQueryTimeoutMs. -1 when it
    // does not answer in time, has no such stream, reports none or has gone. Once it
    // has gone, or has answered 0 for the stream kZeroAnswersBeforeGivingUp times in a
    // row (PipeWire's PulseAudio service reports no latency for any stream), it is not
    // asked again.
    long long readLatencyUs();
    // Same thread: whether the server has shown that it reports no latency for the stream.
    bool reportsNoLatency() const { return givenUp; }

    // Or, where the readings are wanted at any moment rather than at chosen ones:
    // until stop(), every 0.1 s, the same reading (when there is one) is passed to
    // report on a watcher thread of its own. Main thread; not with readLatencyUs().
    void watch(std::function<void(long long latencyUs)> report);

    // Any thread but one inside readLatencyUs() or the watcher: stops the watcher,
    // waiting for it, and disconnects.
    void stop();

    static constexpr int kQueryTimeoutMs = 10;
    // Eight blocks: a stream reports its latency from its first block on.
    static constexpr int kZeroAnswersBeforeGivingUp = 8;

    // The latency of one playback stream, as the server reports it at one moment.
    struct StreamReading {
        unsigned index;
        long long processId;
        long long latencyUs;
    };
    // Of the readings, the stream of this process that is not among the earlier
    // indices: the one with the lowest index; -1 when there is none.
    static long long latencyOfNewStream(const std::vector<StreamReading>& readings,
                                        const std::vector<unsigned>& earlierIndices, long long processId);

    struct Connection;

private:
    void run(std::function<void(long long)> report);

    std::unique_ptr<Connection> connection;
    std::vector<unsigned> earlierIndices;
    long long processId = 0;
    int zeroAnswersInRow = 0;
    bool givenUp = false;
    std::thread watcher;
    std::atomic<bool> stopping{false};
};
