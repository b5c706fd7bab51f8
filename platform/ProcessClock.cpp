#include "platform/ProcessClock.h"

#include <SDL2/SDL_timer.h>

namespace {

uint64_t sdlTicks() {
    return SDL_GetPerformanceCounter();
}

uint64_t sdlFrequency() {
    return SDL_GetPerformanceFrequency();
}

// The clock's whole state. A file-static struct because the origin must be read
// before main, before any object that could own it exists.
struct Clock {
    CounterSource source{&sdlTicks, &sdlFrequency};
    uint64_t frequency = 1;
    uint64_t origin = 0;

    void restart(CounterSource from) {
        source = from;
        const uint64_t rate = source.frequency();
        // A counter without a rate would make every reading infinite.
        frequency = rate > 0 ? rate : 1;
        origin = source.ticks();
    }
};

Clock& theClock() {
    static Clock clock;
    return clock;
}

// Reads the origin during static initialisation, so that it is the process's
// start and not the first reader's.
[[maybe_unused]] const bool kOriginTaken = [] {
    theClock().restart({&sdlTicks, &sdlFrequency});
    return true;
}();

}  // namespace

uint64_t processClockTicks() {
    const Clock& clock = theClock();
    const uint64_t now = clock.source.ticks();
    return now > clock.origin ? now - clock.origin : 0;
}

uint64_t processClockFrequency() {
    return theClock().frequency;
}

long long processClockNs() {
    return processClockNsOf(processClockTicks());
}

long long processClockNsOf(uint64_t ticks) {
    const uint64_t frequency = processClockFrequency();
    // Whole seconds and the remainder apart, so ticks x 10^9 never overflows.
    return static_cast<long long>(ticks / frequency * 1000000000ULL + ticks % frequency * 1000000000ULL / frequency);
}

void setProcessCounterForTesting(CounterSource source) {
    if (source.ticks == nullptr || source.frequency == nullptr) {
        source = {&sdlTicks, &sdlFrequency};
    }
    theClock().restart(source);
}
