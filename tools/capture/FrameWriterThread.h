#pragma once
// Runs a FrameSink's writes on a second thread, so that encoding overlaps with
// rendering: at most a few frames queued ahead, their pixel buffers handed back
// for reuse. Its operations are called from the rendering thread.
#include "tools/capture/FrameSink.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class FrameWriterThread {
public:
    // Starts the writing thread; sink must outlive this object.
    explicit FrameWriterThread(FrameSink& sink);
    // Lets the thread write what is still queued, then joins it.
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
