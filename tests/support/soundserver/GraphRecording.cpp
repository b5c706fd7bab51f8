#include "tests/support/soundserver/GraphRecording.h"

#include "platform/ProcessClock.h"

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <time.h>

#include <cstring>
#include <string>

namespace {

long long monotonicNs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

constexpr int kFrameBytes = 2 * sizeof(float);

}  // namespace

struct GraphRecording::Stream {
    GraphRecording* owner = nullptr;
    pw_thread_loop* loop = nullptr;
    pw_stream* stream = nullptr;

    // On the loop's thread (the stream is not real-time, so stop() waits for it).
    static void onProcess(void* data) {
        Stream& s = *static_cast<Stream*>(data);
        pw_buffer* buffer = pw_stream_dequeue_buffer(s.stream);
        if (buffer == nullptr) {
            return;
        }
        pw_time time;
        std::memset(&time, 0, sizeof time);
        spa_data& plane = buffer->buffer->datas[0];
        if (pw_stream_get_time_n(s.stream, &time, sizeof time) == 0 && time.now != 0 && plane.data != nullptr) {
            // The cycle's start, moved from the monotonic clock onto the process clock
            // by two readings taken together.
            long long processNow = processClockNs();
            long long cycleNs = processNow - (monotonicNs() - time.now);
            uint32_t offset = std::min(plane.chunk->offset, plane.maxsize);
            uint32_t bytes = std::min(plane.chunk->size, plane.maxsize - offset);
            int frameCount = static_cast<int>(bytes / kFrameBytes);
            const float* in = reinterpret_cast<const float*>(static_cast<const char*>(plane.data) + offset);
            GraphRecording& r = *s.owner;
            r.blocks.push_back({static_cast<long long>(r.samples.size() / 2), cycleNs, frameCount});
            r.samples.insert(r.samples.end(), in, in + 2 * frameCount);
        }
        pw_stream_queue_buffer(s.stream, buffer);
    }
};

GraphRecording::GraphRecording() = default;

GraphRecording::~GraphRecording() {
    stop();
}

bool GraphRecording::start(const char* sinkName, int rate) {
    static const bool initialised = [] {
        pw_init(nullptr, nullptr);
        return true;
    }();
    (void)initialised;
    static const pw_stream_events events = [] {
        pw_stream_events e{};
        e.version = PW_VERSION_STREAM_EVENTS;
        e.process = Stream::onProcess;
        return e;
    }();
    stop();
    rateHz = rate;
    samples.clear();
    blocks.clear();
    samples.reserve(static_cast<size_t>(rate) * 2 * 120);
    blocks.reserve(static_cast<size_t>(rate) / 32 * 120);
    std::unique_ptr<Stream> made(new Stream);
    made->owner = this;
    made->loop = pw_thread_loop_new("graph-recording", nullptr);
    if (made->loop == nullptr) {
        return false;
    }
    // Longer than any other stream asks for, so that the quantum stays theirs.
    const std::string latency = std::to_string(rate / 4) + "/" + std::to_string(rate);
    pw_thread_loop_lock(made->loop);
    pw_thread_loop_start(made->loop);
    made->stream = pw_stream_new_simple(
        pw_thread_loop_get_loop(made->loop), "graph-recording",
        pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Capture", PW_KEY_TARGET_OBJECT,
                          sinkName, PW_KEY_STREAM_CAPTURE_SINK, "true", PW_KEY_NODE_LATENCY, latency.c_str(),
                          nullptr),
        &events, made.get());
    int connected = -1;
    if (made->stream != nullptr) {
        uint8_t podBytes[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(podBytes, sizeof podBytes);
        spa_audio_info_raw info{};
        info.format = SPA_AUDIO_FORMAT_F32;
        info.rate = static_cast<uint32_t>(rate);
        info.channels = 2;
        info.position[0] = SPA_AUDIO_CHANNEL_FL;
        info.position[1] = SPA_AUDIO_CHANNEL_FR;
        const spa_pod* params[] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
        connected = pw_stream_connect(made->stream, PW_DIRECTION_INPUT, PW_ID_ANY,
                                      static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT |
                                                                   PW_STREAM_FLAG_MAP_BUFFERS),
                                      params, 1);
    }
    pw_thread_loop_unlock(made->loop);
    stream = std::move(made);
    if (connected != 0) {
        stop();
        return false;
    }
    return true;
}

void GraphRecording::stop() {
    if (stream == nullptr) {
        return;
    }
    pw_thread_loop_lock(stream->loop);
    if (stream->stream != nullptr) {
        pw_stream_destroy(stream->stream);
    }
    pw_thread_loop_unlock(stream->loop);
    pw_thread_loop_stop(stream->loop);
    pw_thread_loop_destroy(stream->loop);
    stream.reset();
}

long long GraphRecording::heardNs(long long frame) const {
    // Blocks are in order of their first frames.
    size_t low = 0, high = blocks.size();
    while (low < high) {
        size_t middle = (low + high) / 2;
        if (blocks[middle].firstFrame + blocks[middle].frameCount <= frame) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    if (low == blocks.size() || frame < blocks[low].firstFrame) {
        return -1;
    }
    return blocks[low].cycleNs + (frame - blocks[low].firstFrame) * 1000000000LL / rateHz;
}

int GraphRecording::quantumFrames() const {
    return blocks.empty() ? 0 : blocks[blocks.size() / 2].frameCount;
}
