#pragma once
// The demo's one clock: SDL's performance counter counted from the moment the
// process started (read once, during static initialisation, before main). The
// frame timer, the mixer, the heard-clock fit and the benchmarks all read it, so
// picture and sound share a time base whose values stay small: a float of it
// rounds to well under a microsecond in a one-minute run, whatever the machine's
// uptime. Any thread may read it.
#include <cstdint>

// Ticks since the process started; never negative, never goes back.
uint64_t processClockTicks();
// Ticks per second (at least 1).
uint64_t processClockFrequency();
// Nanoseconds since the process started, without overflow for centuries.
long long processClockNs();
// A reading of processClockTicks() in nanoseconds, as processClockNs() gives it.
long long processClockNsOf(uint64_t ticks);

// The raw counter the clock reads: SDL's performance counter, or a test's.
struct CounterSource {
    uint64_t (*ticks)();
    uint64_t (*frequency)();
};

// Tests only, before any other thread reads the clock: reads source from now on
// and takes its current reading as the new origin. A null ticks restores SDL's.
void setProcessCounterForTesting(CounterSource source);
