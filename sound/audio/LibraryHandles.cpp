#include "sound/audio/LibraryHandles.h"

#include "sound/audio/SampleLoader.h"

#include <libopenmpt/libopenmpt.h>

#include <chrono>
#include <utility>

LoadedSample::~LoadedSample() {
    stopResampling();
}

void LoadedSample::setWhole(PcmData decoded) {
    pcm = std::move(decoded);
    ready.store(pcm.frameCount(), std::memory_order_release);
    whole.store(true, std::memory_order_release);
}

bool LoadedSample::startResampling(PcmData decoded, int rateHz) {
    double ratio = static_cast<double>(rateHz) / decoded.rateHz;
    long long capacity = resampledCapacity(decoded.frameCount(), ratio);
    if (exceedsDecodeCaps(capacity - 64, rateHz)) {
        return false;
    }
    source = std::move(decoded);
    pcm.frames.assign(static_cast<size_t>(capacity) * 2, 0.0f);
    pcm.rateHz = rateHz;
    pcm.sourceChannelCount = source.sourceChannelCount;
    pcm.sourceRateHz = source.sourceRateHz;
    pcm.sourceFrameCount = source.sourceFrameCount;
    resampler = std::thread([this, ratio, capacity] {
        long long written = resampleInto(source.frames.data(), source.frameCount(), ratio, pcm.frames.data(),
                                         capacity, [this](long long frames) {
                                             ready.store(frames, std::memory_order_release);
                                             return !stopping.load(std::memory_order_relaxed);
                                         });
        if (written >= 0) {
            ready.store(written, std::memory_order_release);
        }
        source = PcmData();  // the decoded frames are not needed any more
        whole.store(true, std::memory_order_release);
    });
    return true;
}

long long LoadedSample::readyFrames() const {
    return ready.load(std::memory_order_acquire);
}

bool LoadedSample::isWhole() const {
    return whole.load(std::memory_order_acquire);
}

void LoadedSample::waitUntilWhole() {
    if (resampler.joinable()) {
        resampler.join();
    }
}

void LoadedSample::waitForFrames(long long frameCount) const {
    while (!isWhole() && readyFrames() < frameCount) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void LoadedSample::stopResampling() {
    stopping.store(true, std::memory_order_relaxed);
    waitUntilWhole();
}

LoadedModule::LoadedModule(openmpt_module* module) : module(module) {}

LoadedModule::~LoadedModule() {
    openmpt_module_destroy(module);
}
