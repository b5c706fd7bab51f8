#pragma once
// The soundtrack synthesizer's sample format and conversions: the rate, mono
// and stereo buffers, note and level arithmetic, and the tail fade and soft
// clip every voice uses. The building blocks (NoiseSource, Oscillator,
// StateVariableFilter, OnePole, Adsr) have headers of their own. Plain values
// and pure functions, so a render is the same on every run.
#include <cstddef>
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

// Fades the last tailSeconds of a sound to silence, so cutting it there makes no click.
void fadeOutTail(MonoBuffer& sound, double tailSeconds);

// Soft saturation that keeps |x| below 1 and is nearly linear for small x.
double softClip(double x);
