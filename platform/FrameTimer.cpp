#include "platform/FrameTimer.h"

#include <SDL2/SDL_timer.h>

void FrameTimer::start() {
    frequency = static_cast<int64_t>(SDL_GetPerformanceFrequency());
    // A counter without a rate would make every reading infinite; a rate of one
    // tick a second keeps the arithmetic finite on such a machine.
    if (frequency <= 0) {
        frequency = 1;
    }
    secondsPerTick = static_cast<float>(1.0 / static_cast<double>(frequency));
    counter = static_cast<int64_t>(SDL_GetPerformanceCounter());
    startSeconds = static_cast<float>(static_cast<double>(counter) * static_cast<double>(secondsPerTick));
}

float FrameTimer::now() {
    counter = static_cast<int64_t>(SDL_GetPerformanceCounter());
    return static_cast<float>(static_cast<double>(counter) * static_cast<double>(secondsPerTick) -
                              static_cast<double>(startSeconds));
}

void FrameTimer::stop() {}
