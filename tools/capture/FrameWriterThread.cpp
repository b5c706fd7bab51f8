#include "tools/capture/FrameWriterThread.h"

#include <utility>

FrameWriterThread::FrameWriterThread(FrameSink& sink)
    : sink(sink), queueLimit(static_cast<size_t>(sink.writerCount()) + 2) {
    for (int i = 0; i < sink.writerCount(); ++i) {
        workers.emplace_back([this] { run(); });
    }
}

FrameWriterThread::~FrameWriterThread() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    for (std::thread& worker : workers) {
        worker.join();
    }
}

bool FrameWriterThread::push(CapturedFrame frame) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return queue.size() < queueLimit || failed; });
    if (failed) {
        return false;
    }
    queue.push_back(std::move(frame));
    changed.notify_all();
    return true;
}

bool FrameWriterThread::drain() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return (queue.empty() && busyCount == 0) || failed; });
    return !failed;
}

std::vector<uint8_t> FrameWriterThread::takeBuffer(size_t bytes) {
    std::vector<uint8_t> buffer;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!spareBuffers.empty()) {
            buffer = std::move(spareBuffers.back());
            spareBuffers.pop_back();
        }
    }
    buffer.resize(bytes);
    return buffer;
}

void FrameWriterThread::run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return !queue.empty() || stopping; });
        if (queue.empty()) {
            return;
        }
        CapturedFrame frame = std::move(queue.front());
        queue.pop_front();
        ++busyCount;
        lock.unlock();
        const bool ok = sink.write(frame);
        lock.lock();
        spareBuffers.push_back(std::move(frame.rgb));
        --busyCount;
        failed = failed || !ok;
        changed.notify_all();
    }
}
