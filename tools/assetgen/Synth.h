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
    explicit NoiseSource(std::uint32_t seed) : state(seed ? seed : 0x9e3779b9u) {}
    // Next sample, uniform in [-1, 1).
    float next();
private:
    std::uint32_t state;
};

// The polyBLEP residual that smooths a unit step at phase 0 of a waveform,
// for a phase increment dt (cycles per sample).
double polyBlep(double phase, double dt);

enum class Wave { sine, saw, square, triangle };

// One band-limited oscillator; the frequency may change every sample.
class Oscillator {
public:
    explicit Oscillator(Wave wave, double startPhase = 0.0) : wave(wave), phase(startPhase) {}
    // Next sample in [-1, 1] at frequencyHz, then advances the phase.
    double next(double frequencyHz);
private:
    Wave wave;
    double phase;
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
    double ic1 = 0.0;
    double ic2 = 0.0;
    double lastCutoffHz = -1.0;
    double lastQ = -1.0;
    double gain = 0.0, damping = 0.0, normaliser = 0.0;
};

// One-pole smoothing filter at a fixed cutoff.
class OnePole {
public:
    explicit OnePole(double cutoffHz);
    // Low-passes one sample (6 dB per octave above the cutoff).
    double lowPass(double input);
    // The input less its low-passed part.
    double highPass(double input) { return input - lowPass(input); }
private:
    double coefficient;
    double state = 0.0;
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
