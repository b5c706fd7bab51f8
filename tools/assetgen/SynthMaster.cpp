#include "tools/assetgen/SynthMaster.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/SynthMath.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace {


// Direct-form-I biquad in double precision.
struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    double process(double x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// The K-weighting's +4 dB high shelf (head diffraction), derived for
// kSynthRateHz from the analogue prototype behind the published 48 kHz filter.
Biquad kWeightingShelf() {
    const double cutoffHz = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
    const double k = synthTan(kPi * cutoffHz / kSynthRateHz);
    const double vh = synthPow(10.0, gainDb / 20.0);
    const double vb = synthPow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    return {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
            2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

// The K-weighting's high-pass near 38 Hz.
Biquad kWeightingHighPass() {
    const double cutoffHz = 38.13547087602444, q = 0.5003270373238773;
    const double k = synthTan(kPi * cutoffHz / kSynthRateHz);
    const double a0 = 1.0 + k / q + k * k;
    return {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

// Sum of K-weighted squares of one channel in consecutive 100 ms chunks.
std::vector<double> weightedChunkEnergy(const MonoBuffer& channel, std::size_t chunkSamples) {
    Biquad shelf = kWeightingShelf();
    Biquad highPass = kWeightingHighPass();
    std::vector<double> chunks(channel.size() / chunkSamples, 0.0);
    for (std::size_t i = 0; i < chunks.size() * chunkSamples; ++i) {
        const double y = highPass.process(shelf.process(channel[i]));
        chunks[i / chunkSamples] += y * y;
    }
    return chunks;
}

double blockLoudness(double meanSquare) {
    return -0.691 + 10.0 * synthLog(std::max(meanSquare, 1e-20)) / synthLog(10.0);
}

// Gain each sample needs so that its peak stays at or below the ceiling.
std::vector<double> requiredGains(const StereoBuffer& buffer, double gain, double ceiling) {
    std::vector<double> required(buffer.size());
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        const double peak = gain * std::max(std::fabs(buffer.left[i]), std::fabs(buffer.right[i]));
        required[i] = peak > ceiling ? ceiling / peak : 1.0;
    }
    return required;
}

// Minimum of values[j - window + 1 .. j] (clamped to the array) for every j
// in [0, size + window - 1).
std::vector<double> trailingMinimum(const std::vector<double>& values, std::size_t window) {
    std::vector<double> out(values.size() + window - 1);
    std::deque<std::size_t> candidates;
    for (std::size_t j = 0; j < out.size(); ++j) {
        if (j < values.size()) {
            while (!candidates.empty() && values[candidates.back()] >= values[j]) {
                candidates.pop_back();
            }
            candidates.push_back(j);
        }
        while (candidates.front() + window <= j) {
            candidates.pop_front();
        }
        out[j] = values[candidates.front()];
    }
    return out;
}

}  // namespace

double integratedLoudnessLufs(const StereoBuffer& buffer) {
    const std::size_t chunkSamples = kSynthRateHz / 10;
    const std::vector<double> left = weightedChunkEnergy(buffer.left, chunkSamples);
    const std::vector<double> right = weightedChunkEnergy(buffer.right, chunkSamples);
    std::vector<double> blocks;
    for (std::size_t c = 0; c + 4 <= left.size(); ++c) {
        const double sum = left[c] + left[c + 1] + left[c + 2] + left[c + 3] + right[c] + right[c + 1] +
                           right[c + 2] + right[c + 3];
        blocks.push_back(sum / static_cast<double>(4 * chunkSamples));
    }
    auto gatedMean = [&blocks](double thresholdLufs) {
        double sum = 0.0;
        std::size_t count = 0;
        for (double block : blocks) {
            if (blockLoudness(block) > thresholdLufs) {
                sum += block;
                ++count;
            }
        }
        return count > 0 ? sum / static_cast<double>(count) : 0.0;
    };
    const double absoluteMean = gatedMean(-70.0);
    if (absoluteMean <= 0.0) {
        return -70.0;
    }
    const double relativeMean = gatedMean(blockLoudness(absoluteMean) - 10.0);
    return blockLoudness(relativeMean > 0.0 ? relativeMean : absoluteMean);
}

double peakLevel(const StereoBuffer& buffer) {
    double peak = 0.0;
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        peak = std::max({peak, static_cast<double>(std::fabs(buffer.left[i])),
                         static_cast<double>(std::fabs(buffer.right[i]))});
    }
    return peak;
}

void limitPeaks(StereoBuffer& buffer, double gain, const LimiterSettings& settings) {
    if (buffer.size() == 0) {
        return;
    }
    const std::size_t window = std::max<std::size_t>(1, secondsToSamples(settings.lookAheadSeconds));
    // Every trailing minimum that a sample's averaging window sees covers that
    // sample, so the averaged gain never exceeds the gain the sample needs.
    const std::vector<double> minima = trailingMinimum(requiredGains(buffer, gain, settings.ceiling), window);
    const double release = 1.0 - synthExp(-1.0 / (settings.releaseSeconds * kSynthRateHz));
    double windowSum = 0.0;
    for (std::size_t j = 0; j < window; ++j) {
        windowSum += minima[j];
    }
    double smoothed = windowSum / static_cast<double>(window);
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        const double averaged = windowSum / static_cast<double>(window);
        smoothed = std::min(averaged, smoothed + (1.0 - smoothed) * release);
        const double g = gain * smoothed;
        const double ceiling = settings.ceiling;
        buffer.left[i] = static_cast<float>(std::clamp(buffer.left[i] * g, -ceiling, ceiling));
        buffer.right[i] = static_cast<float>(std::clamp(buffer.right[i] * g, -ceiling, ceiling));
        if (i + window < minima.size()) {
            windowSum += minima[i + window] - minima[i];
        }
    }
}

void masterToLoudness(StereoBuffer& buffer, double targetLufs, const LimiterSettings& settings) {
    double gain = dbToGain(targetLufs - integratedLoudnessLufs(buffer));
    // Limiting lowers the loudness a little, so a few rounds of correction settle the gain.
    for (int round = 0; round < 4; ++round) {
        StereoBuffer trial = buffer;
        limitPeaks(trial, gain, settings);
        gain *= dbToGain(targetLufs - integratedLoudnessLufs(trial));
    }
    limitPeaks(buffer, gain, settings);
}
