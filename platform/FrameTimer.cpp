#include "platform/FrameTimer.h"

#include "platform/ProcessClock.h"

void FrameTimer::start() {
    // Never zero: a counter without a rate would make every reading infinite.
    frequency = static_cast<int64_t>(processClockFrequency());
    secondsPerTick = static_cast<float>(1.0 / static_cast<double>(frequency));
    counter = static_cast<int64_t>(processClockTicks());
    startSeconds = static_cast<float>(static_cast<double>(counter) * static_cast<double>(secondsPerTick));
}

double FrameTimer::elapsedSeconds() {
    counter = static_cast<int64_t>(processClockTicks());
    return static_cast<double>(counter) * static_cast<double>(secondsPerTick) - static_cast<double>(startSeconds);
}

float FrameTimer::now() {
    const double elapsed = elapsedSeconds();
    return static_cast<float>(holding ? heldSeconds : elapsed + shiftSeconds);
}

double FrameTimer::exactNow() {
    const double elapsed = elapsedSeconds();
    return holding ? heldSeconds : elapsed + shiftSeconds;
}

void FrameTimer::jumpTo(double seconds) {
    shiftSeconds = seconds - elapsedSeconds();
    heldSeconds = seconds;
}

void FrameTimer::jumpTo(double seconds, long long atNs) {
    // One reading of the counter gives both the elapsed time and how long ago atNs was.
    const double elapsed = elapsedSeconds();
    const double since = static_cast<double>(processClockNsOf(static_cast<uint64_t>(counter)) - atNs) * 1e-9;
    shiftSeconds = seconds + since - elapsed;
    heldSeconds = seconds;
}

void FrameTimer::hold() {
    if (!holding) {
        heldSeconds = exactNow();
        holding = true;
    }
}

void FrameTimer::resume() {
    if (holding) {
        holding = false;
        jumpTo(heldSeconds);
    }
}

void FrameTimer::stop() {}
