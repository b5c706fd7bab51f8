#pragma once
// Where captured frames go: numbered PNGs, one PNG, or an H.264 MP4 made by
// Debian's ffmpeg with the soundtrack muxed in. Frames are written on a second
// thread so that encoding overlaps with rendering.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One frame as read back from GL: RGB bytes, bottom row first.
struct CapturedFrame {
    long number = 0;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // Writes one frame; false when writing failed.
    virtual bool write(const CapturedFrame& frame) = 0;
    // Completes the output; false when it is not complete. After a false result
    // nothing is left behind that looks complete.
    virtual bool finish(bool success) = 0;
};

// PNGs named frame_00000.png ... in dir, each scaled to width x height.
std::unique_ptr<FrameSink> makePngSequenceSink(const std::string& dir, int width, int height, std::string& error);
// One PNG at path.
std::unique_ptr<FrameSink> makeStillSink(const std::string& path, int width, int height, std::string& error);
// An MP4 at path through ffmpeg: H.264, yuv420p, constant fps, the audio file
// from fromSeconds muxed as AAC and aligned so that its first sample is frame 0.
// It takes frames of the canvas size only (kCanvasWidth x kCanvasHeight, the
// size ffmpeg is told up front) and scales them to width x height; a write of
// any other size fails.
std::unique_ptr<FrameSink> makeMp4Sink(const std::string& path, int fps, int width, int height,
                                       const std::string& audioPath, double fromSeconds, double durationSeconds,
                                       std::string& error);

// True when an executable named ffmpeg is on the PATH.
bool ffmpegAvailable();

// Writes RGB rows (bottom row first, as GL reads them) to a PNG, scaled to
// width x height with bilinear filtering; false when it cannot be written.
bool writeRgbPng(const std::string& path, const CapturedFrame& frame, int width, int height);

// Runs a sink's writes on a second thread, at most a few frames ahead.
class FrameWriterThread {
public:
    explicit FrameWriterThread(FrameSink& sink);
    ~FrameWriterThread();
    // Queues a frame, waiting while the queue is full; false once a write failed.
    bool push(CapturedFrame frame);
    // Waits for every queued frame; false when any write failed.
    bool drain();
    // A pixel buffer of the given size, reused from a written frame when one is
    // free, so that a long capture does not allocate a frame's worth per frame.
    std::vector<uint8_t> takeBuffer(size_t bytes);

private:
    void run();

    FrameSink& sink;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<CapturedFrame> queue;
    std::vector<std::vector<uint8_t>> spareBuffers;
    bool stopping = false;
    bool failed = false;
    bool busy = false;
    std::thread worker;
};
