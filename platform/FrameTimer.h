#pragma once
// The clock that drives the timeline: the process clock (SDL's performance
// counter counted from the process's start, the one the mixer times sound on)
// turned into seconds held as 32-bit floats. Single-threaded; needs nothing else
// initialised.
#include <cstdint>

class FrameTimer {
public:
    // Reads the counter rate and takes the current reading as time 0.
    void start();
    // Seconds since start. Carries a constant offset of up to half a float step
    // of the start time, since startSeconds is stored as a float; counted from
    // the process's start, that is under a microsecond for the first two hours.
    float now();
    // Does nothing: the clock keeps running.
    void stop();

    int64_t counter = 0;
    int64_t frequency = 0;
    float secondsPerTick = 0;
    float startSeconds = 0;
};
