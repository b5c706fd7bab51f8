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
    // Rehearsal: reads seconds now and runs on from there (a held clock holds it).
    void jumpTo(double seconds);
    // Rehearsal: as if the clock had read seconds at atNs on the process clock
    // (processClockNs), and run on since; a held clock holds seconds. Lets the
    // picture take up the music's clock reading, whenever the music was moved.
    void jumpTo(double seconds, long long atNs);
    // Rehearsal: now() before its rounding to a float, so that jumps by whole
    // seconds from it and back land where they started.
    double exactNow();
    // Rehearsal: holds the reading where it stands until resume(), which runs on
    // from the held time. Neither changes anything for a timer never moved.
    void hold();
    void resume();
    bool held() const { return holding; }

    int64_t counter = 0;
    int64_t frequency = 0;
    float secondsPerTick = 0;
    float startSeconds = 0;

private:
    // Seconds added to the reading; 0 adds nothing, so a run that never jumps reads
    // exactly as before. Double, so that it rounds to nothing at any uptime.
    double shiftSeconds = 0.0;
    bool holding = false;
    double heldSeconds = 0.0;
    double elapsedSeconds();
};
