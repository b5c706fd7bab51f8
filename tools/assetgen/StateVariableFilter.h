#pragma once
// Topology-preserving state-variable filter (Zavalishin) at kSynthRateHz:
// stable while its cutoff sweeps every sample, which the filter envelopes
// need. A plain value; one per voice, any thread.

class StateVariableFilter {
public:
    struct Outputs {
        double low;
        double band;
        double high;
    };
    // Filters one sample with cutoffHz (clamped to 10 Hz .. 0.45 x the rate) and
    // resonance q (0.5 = none, higher rings).
    Outputs process(double input, double cutoffHz, double q);
    // Low-pass shorthand.
    double lowPass(double input, double cutoffHz, double q) { return process(input, cutoffHz, q).low; }

private:
    double ic1 = 0.0;
    double ic2 = 0.0;
    double lastCutoffHz = -1.0;
    double lastQ = -1.0;
    double gain = 0.0;
    double damping = 0.0;
    double normaliser = 0.0;
};
