#pragma once
// One band-limited oscillator of the soundtrack synthesizer at kSynthRateHz:
// sine, polyBLEP saw and square, and a plain triangle. A plain value; one per
// voice, any thread.

enum class Wave { sine, saw, square, triangle };

// The polyBLEP residual that smooths a unit step at phase 0 of a waveform,
// for a phase increment dt (cycles per sample).
double polyBlep(double phase, double dt);

class Oscillator {
public:
    // startPhase in cycles, [0, 1).
    explicit Oscillator(Wave wave, double startPhase = 0.0) : wave(wave), phase(startPhase) {}
    // Next sample in [-1, 1] at frequencyHz (which may change every sample),
    // then advances the phase.
    double next(double frequencyHz);

private:
    Wave wave;
    double phase;
};
