#pragma once
// Runs a FrameSink's writes on threads of their own, so that encoding overlaps
// with rendering: as many threads as the sink's writerCount (one keeps the
// frames in order), a few frames queued ahead of each, their pixel buffers
// handed back for reuse. Its operations are called from the rendering thread.
#include "tools/capture/FrameSink.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class FrameWriterThread {
public:
    // Starts the writing threads; sink must outlive this object.
    explicit FrameWriterThread(FrameSink& sink);
    // Lets the threads write what is still queued, then joins them.
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
    size_t queueLimit;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<CapturedFrame> queue;
    std::vector<std::vector<uint8_t>> spareBuffers;
    bool stopping = false;
    bool failed = false;
    int busyCount = 0;
    std::vector<std::thread> workers;
};
