#include "tools/assetgen/SynthDrums.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/NoiseSource.h"
#include "tools/assetgen/OnePole.h"
#include "tools/assetgen/Oscillator.h"
#include "tools/assetgen/StateVariableFilter.h"
#include "tools/assetgen/SynthMath.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {


// Exponential decay with a 1 ms linear attack, so no hit starts with a step.
double hitEnvelope(double t, double decaySeconds) {
    const double attack = std::min(t / 0.001, 1.0);
    return attack * synthExp(-t / decaySeconds);
}

MonoBuffer silence(double seconds) {
    return MonoBuffer(secondsToSamples(seconds), 0.0f);
}

// Six square waves at inharmonic ratios: the metallic core of hats and cymbals.
class MetalTone {
public:
    explicit MetalTone(double baseHz) {
        static constexpr std::array<double, 6> kRatios{1.0, 1.483, 1.932, 2.546, 2.630, 3.897};
        for (std::size_t i = 0; i < kRatios.size(); ++i) {
            frequencies[i] = baseHz * kRatios[i];
        }
    }
    double next() {
        double sum = 0.0;
        for (std::size_t i = 0; i < oscillators.size(); ++i) {
            sum += oscillators[i].next(frequencies[i]);
        }
        return sum / 6.0;
    }
private:
    std::array<Oscillator, 6> oscillators{Oscillator(Wave::square, 0.0), Oscillator(Wave::square, 0.31),
        Oscillator(Wave::square, 0.57), Oscillator(Wave::square, 0.13), Oscillator(Wave::square, 0.72),
        Oscillator(Wave::square, 0.44)};
    std::array<double, 6> frequencies{};
};

}  // namespace

MonoBuffer renderKick(const KickShape& shape, std::uint32_t seed) {
    const double holdSeconds = 0.05;
    MonoBuffer out = silence(holdSeconds + shape.decaySeconds * 7.0);
    NoiseSource noise(seed);
    OnePole clickTone(3000.0);
    const double norm = 1.0 / softClip(shape.drive);
    double phase = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSynthRateHz;
        const double hz = shape.endHz + shape.sweepHz * synthExp(-t / 0.018) + 220.0 * synthExp(-t / 0.003);
        phase += hz / kSynthRateHz;
        const double body = t < holdSeconds ? 1.0 : synthExp(-(t - holdSeconds) / shape.decaySeconds);
        const double attack = std::min(t / 0.0008, 1.0);
        const double tone = softClip(shape.drive * synthSin(2.0 * kPi * phase)) * norm;
        const double click = clickTone.highPass(noise.next()) * shape.clickLevel * synthExp(-t / 0.002);
        const double lobe = t < shape.thumpSeconds ? synthSin(kPi * t / shape.thumpSeconds) : 0.0;
        out[i] = static_cast<float>(attack * body * tone + click + shape.thumpLevel * lobe * lobe);
    }
    fadeOutTail(out, 0.01);
    return out;
}

MonoBuffer renderSnare(std::uint32_t seed) {
    MonoBuffer out = silence(0.35);
    NoiseSource noise(seed);
    StateVariableFilter band;
    Oscillator low(Wave::sine), high(Wave::sine, 0.25);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSynthRateHz;
        const double tone = 0.55 * low.next(185.0 * (1.0 + 0.3 * synthExp(-t / 0.01))) * hitEnvelope(t, 0.045) +
                            0.3 * high.next(330.0) * hitEnvelope(t, 0.03);
        const double hiss = band.process(noise.next(), 4200.0, 0.7).band * hitEnvelope(t, 0.075);
        out[i] = static_cast<float>(tone + 1.4 * hiss);
    }
    fadeOutTail(out, 0.01);
    return out;
}

MonoBuffer renderClap(std::uint32_t seed) {
    MonoBuffer out = silence(0.4);
    NoiseSource noise(seed);
    StateVariableFilter band;
    static constexpr std::array<double, 3> kBurstStartsSeconds{0.0, 0.011, 0.023};
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSynthRateHz;
        double level = 0.0;
        for (double start : kBurstStartsSeconds) {
            if (t >= start) {
                level = std::max(level, hitEnvelope(t - start, 0.008));
            }
        }
        if (t >= 0.03) {
            level = std::max(level, 0.8 * synthExp(-(t - 0.03) / 0.09));
        }
        const double filtered = band.process(noise.next(), 1250.0, 1.1).band;
        out[i] = static_cast<float>(2.2 * filtered * level);
    }
    fadeOutTail(out, 0.01);
    return out;
}

MonoBuffer renderHat(bool open, std::uint32_t seed) {
    const double decaySeconds = open ? 0.22 : 0.035;
    MonoBuffer out = silence(decaySeconds * 6.0);
    NoiseSource noise(seed);
    MetalTone metal(open ? 395.0 : 410.0);
    StateVariableFilter band;
    OnePole lowCut(6500.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSynthRateHz;
        const double source = 0.6 * metal.next() + 0.55 * noise.next();
        const double bright = band.process(source, 9500.0, 0.8).band;
        out[i] = static_cast<float>(1.3 * lowCut.highPass(bright) * hitEnvelope(t, decaySeconds));
    }
    fadeOutTail(out, 0.01);
    return out;
}

MonoBuffer renderRim(std::uint32_t seed) {
    MonoBuffer out = silence(0.12);
    NoiseSource noise(seed);
    StateVariableFilter body;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSynthRateHz;
        const double excite = (t < 0.0015 ? 1.0 : 0.0) + 0.2 * noise.next() * hitEnvelope(t, 0.004);
        out[i] = static_cast<float>(body.process(excite, 1750.0, 9.0).band * hitEnvelope(t, 0.025));
    }
    fadeOutTail(out, 0.01);
    return out;
}

MonoBuffer renderCrash(std::uint32_t seed) {
    MonoBuffer out = silence(3.2);
    NoiseSource noise(seed);
    MetalTone metal(340.0);
    OnePole lowCut(3500.0);
    OnePole airy(12000.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSynthRateHz;
        const double source = 0.5 * metal.next() + 0.7 * noise.next();
        const double shaped = airy.lowPass(lowCut.highPass(source));
        const double level = 0.7 * hitEnvelope(t, 0.7) + 0.3 * hitEnvelope(t, 0.08);
        out[i] = static_cast<float>(shaped * level);
    }
    fadeOutTail(out, 0.01);
    return out;
}

MonoBuffer renderRiser(double lengthSeconds, std::uint32_t seed) {
    MonoBuffer out = silence(lengthSeconds);
    NoiseSource noise(seed);
    StateVariableFilter band;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double progress = static_cast<double>(i) / static_cast<double>(out.size());
        const double cutoff = 300.0 * synthPow(30.0, progress);
        const double level = progress * progress;
        out[i] = static_cast<float>(0.9 * band.process(noise.next(), cutoff, 2.5).band * level);
    }
    fadeOutTail(out, 0.01);
    return out;
}
