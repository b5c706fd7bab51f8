#pragma once
// Building blocks of the soundtrack synthesizer: a seeded noise source,
// band-limited oscillators, a state-variable filter and envelopes. Plain
// value types with no globals, so a render is the same on every run.
#include <cstdint>
#include <vector>

constexpr int kSynthRateHz = 44100;

// A mono sample buffer at kSynthRateHz.
using MonoBuffer = std::vector<float>;

// Two channels of equal length at kSynthRateHz.
struct StereoBuffer {
    MonoBuffer left;
    MonoBuffer right;
    // Makes both channels sampleCount samples of silence.
    void resize(std::size_t sampleCount);
    std::size_t size() const { return left.size(); }
};

// Frequency of a MIDI note number (69 = A4 = 440 Hz).
double noteHz(double midiNote);

// Decibels to a linear amplitude factor.
double dbToGain(double db);

// Seconds to the nearest whole sample index.
std::size_t secondsToSamples(double seconds);

// xorshift32 white noise: a fixed seed gives the same sequence everywhere.
class NoiseSource {
public:
    explicit NoiseSource(std::uint32_t seed) : state_(seed ? seed : 0x9e3779b9u) {}
    // Next sample, uniform in [-1, 1).
    float next();
private:
    std::uint32_t state_;
};

// The polyBLEP residual that smooths a unit step at phase 0 of a waveform,
// for a phase increment dt (cycles per sample).
double polyBlep(double phase, double dt);

enum class Wave { Sine, Saw, Square, Triangle };

// One band-limited oscillator; the frequency may change every sample.
class Oscillator {
public:
    explicit Oscillator(Wave wave, double startPhase = 0.0) : wave_(wave), phase_(startPhase) {}
    // Next sample in [-1, 1] at frequencyHz, then advances the phase.
    double next(double frequencyHz);
private:
    Wave wave_;
    double phase_;
};

// Topology-preserving state-variable filter (Zavalishin): stable while its
// cutoff sweeps every sample, which the filter envelopes need.
class StateVariableFilter {
public:
    struct Outputs { double low, band, high; };
    // Filters one sample with the given cutoff and resonance (0.5 = none, higher rings).
    Outputs process(double input, double cutoffHz, double q);
    // Low-pass shorthand.
    double lowPass(double input, double cutoffHz, double q) { return process(input, cutoffHz, q).low; }
private:
    double ic1_ = 0.0;
    double ic2_ = 0.0;
    double cutoffHz_ = -1.0;
    double q_ = -1.0;
    double g_ = 0.0, k_ = 0.0, a1_ = 0.0;
};

// One-pole smoothing low-pass; highPass returns the input less the low part.
class OnePole {
public:
    explicit OnePole(double cutoffHz);
    double lowPass(double input);
    double highPass(double input) { return input - lowPass(input); }
private:
    double coefficient_;
    double state_ = 0.0;
};

// Attack-decay-sustain-release level at secondsOn after the note started,
// for a note held gateSeconds; 0 once the release has ended.
struct Adsr {
    double attackSeconds;
    double decaySeconds;
    double sustainLevel;
    double releaseSeconds;
    double levelAt(double secondsOn, double gateSeconds) const;
    // Length of the sound of a note held gateSeconds, release included.
    double lengthSeconds(double gateSeconds) const { return gateSeconds + releaseSeconds; }
};

// Fades the last tailSeconds of a sound to silence, so cutting it there makes no click.
void fadeOutTail(MonoBuffer& sound, double tailSeconds);

// Soft saturation that keeps |x| below 1 and is nearly linear for small x.
double softClip(double x);
