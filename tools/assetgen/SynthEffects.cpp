#include "tools/assetgen/SynthEffects.h"

#include "tools/assetgen/OnePole.h"

#include <array>
#include <cstddef>

namespace {

// A fixed-length circular delay line.
class DelayLine {
public:
    explicit DelayLine(std::size_t lengthSamples) : samples(lengthSamples > 0 ? lengthSamples : 1, 0.0f) {}
    // The sample written lengthSamples writes ago.
    float read() const { return samples[position]; }
    // Stores a sample in place of the one just read, and moves on.
    void write(float value) {
        samples[position] = value;
        position = position + 1 == samples.size() ? 0 : position + 1;
    }
private:
    std::vector<float> samples;
    std::size_t position = 0;
};

// Feedback comb with a one-pole low-pass in its loop.
class DampedComb {
public:
    DampedComb(std::size_t lengthSamples, float feedback, float damping)
        : line(lengthSamples), feedback(feedback), damping(damping) {}
    float process(float input) {
        const float out = line.read();
        store = out * (1.0f - damping) + store * damping;
        line.write(input + store * feedback);
        return out;
    }
private:
    DelayLine line;
    float feedback;
    float damping;
    float store = 0.0f;
};

// Schroeder all-pass that smears the combs' echoes into a dense tail.
class AllPass {
public:
    explicit AllPass(std::size_t lengthSamples) : line(lengthSamples) {}
    float process(float input) {
        const float delayed = line.read();
        line.write(input + delayed * 0.5f);
        return delayed - input;
    }
private:
    DelayLine line;
};

// One channel of the reverb: combs in parallel, then all-passes in series.
class ReverbChannel {
public:
    ReverbChannel(std::size_t spread, const ReverbSettings& settings) {
        static constexpr std::array<std::size_t, 8> kCombSamples{1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
        static constexpr std::array<std::size_t, 4> kAllPassSamples{556, 441, 341, 225};
        for (std::size_t samples : kCombSamples) {
            combs.emplace_back(samples + spread, static_cast<float>(settings.roomSize),
                                static_cast<float>(settings.damping));
        }
        for (std::size_t samples : kAllPassSamples) {
            allPasses.emplace_back(samples + spread);
        }
    }
    float process(float input) {
        float sum = 0.0f;
        for (DampedComb& comb : combs) {
            sum += comb.process(input);
        }
        for (AllPass& allPass : allPasses) {
            sum = allPass.process(sum);
        }
        return sum;
    }
private:
    std::vector<DampedComb> combs;
    std::vector<AllPass> allPasses;
};

}  // namespace

void applyReverb(StereoBuffer& buffer, const ReverbSettings& settings) {
    ReverbChannel left(0, settings);
    ReverbChannel right(23, settings);
    DelayLine preDelay(secondsToSamples(settings.preDelaySeconds));
    OnePole lowCut(settings.lowCutHz);
    // The combs sum eight copies of the input; this keeps the tail near the input's level.
    const float inputGain = 0.03f;
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        const float mono = static_cast<float>(lowCut.highPass(buffer.left[i] + buffer.right[i]));
        const float delayed = preDelay.read();
        preDelay.write(mono * inputGain);
        buffer.left[i] = left.process(delayed);
        buffer.right[i] = right.process(delayed);
    }
}

void applyPingPongEcho(StereoBuffer& buffer, const EchoSettings& settings) {
    DelayLine left(secondsToSamples(settings.delaySeconds));
    DelayLine right(secondsToSamples(settings.delaySeconds));
    OnePole toneLeft(settings.toneHz), toneRight(settings.toneHz);
    const double feedback = settings.feedback;
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        const float echoLeft = left.read();
        const float echoRight = right.read();
        const double input = 0.5 * (buffer.left[i] + buffer.right[i]);
        left.write(static_cast<float>(toneLeft.lowPass(input + feedback * echoRight)));
        right.write(static_cast<float>(toneRight.lowPass(feedback * echoLeft)));
        buffer.left[i] = echoLeft;
        buffer.right[i] = echoRight;
    }
}
