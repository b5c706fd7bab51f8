// The browser build's FrameTimer (platform/FrameTimer.h): the counter is the
// page's monotonic clock (performance.now), read in microsecond ticks.
#include "platform/FrameTimer.h"

#include <emscripten.h>

namespace {

constexpr int64_t kTicksPerSecond = 1000000;

int64_t ticksNow() {
    return static_cast<int64_t>(emscripten_get_now() * 1000.0);
}

}  // namespace

void FrameTimer::start() {
    frequency = kTicksPerSecond;
    secondsPerTick = static_cast<float>(1.0 / static_cast<double>(frequency));
    counter = ticksNow();
    startSeconds = static_cast<float>(static_cast<double>(counter) * static_cast<double>(secondsPerTick));
}

float FrameTimer::now() {
    counter = ticksNow();
    return static_cast<float>(static_cast<double>(counter) * static_cast<double>(secondsPerTick) -
                              static_cast<double>(startSeconds));
}

void FrameTimer::stop() {}
