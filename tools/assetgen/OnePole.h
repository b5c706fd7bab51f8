#pragma once
// One-pole smoothing filter at a fixed cutoff, at kSynthRateHz. A plain
// value; one per signal path, any thread.

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
