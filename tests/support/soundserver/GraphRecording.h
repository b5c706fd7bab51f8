// The null sink's monitor recorded straight from a private PipeWire server, each
// block with the graph cycle it came in. A null sink has no device after it: a frame
// is heard when the sink's cycle takes it, at the cycle's start on the system's
// monotonic clock plus its place in the cycle. So every recorded frame's heard time
// comes from the graph's own clock, exact to the frame, where a stream's latency
// reports through the PulseAudio service wander by milliseconds and place a whole
// run some milliseconds off, differently from run to run.
#pragma once

#include <memory>
#include <vector>

class GraphRecording {
public:
    GraphRecording();
    ~GraphRecording();
    GraphRecording(const GraphRecording&) = delete;
    GraphRecording& operator=(const GraphRecording&) = delete;

    // With the server's client environment set in this process: records the sink
    // named sinkName at rateHz float stereo, asking for so long a latency that the
    // graph's quantum stays what the other streams set. False, with nothing started,
    // where it cannot connect.
    bool start(const char* sinkName, int rateHz);
    // Ends the recording (waiting for the stream's thread); what was recorded stays.
    void stop();

    // After stop: the interleaved stereo frames recorded.
    const std::vector<float>& frames() const { return samples; }
    // After stop: when recorded frame i was heard, on the process clock; -1 outside
    // the recording.
    long long heardNs(long long frame) const;
    // After stop: the graph's quantum in frames in the middle of the recording (0: none).
    int quantumFrames() const;

    struct Stream;

private:
    // The block of each graph cycle: its first recorded frame, and when the cycle
    // began on the process clock.
    struct Block {
        long long firstFrame;
        long long cycleNs;
        int frameCount;
    };
    std::unique_ptr<Stream> stream;
    std::vector<float> samples;
    std::vector<Block> blocks;
    int rateHz = 0;
};
