#include "tools/assetgen/SoundtrackMix.h"

#include "tools/assetgen/AssetMath.h"
#include "tools/assetgen/OnePole.h"
#include "tools/assetgen/SoundtrackParts.h"
#include "tools/assetgen/SoundtrackScore.h"
#include "tools/assetgen/SynthEffects.h"
#include "tools/assetgen/SynthMaster.h"
#include "tools/assetgen/SynthMath.h"

#include <algorithm>
#include <cmath>

namespace {


void multiplyBy(MonoBuffer& channel, const MonoBuffer& gains) {
    for (std::size_t i = 0; i < channel.size(); ++i) {
        channel[i] *= gains[i];
    }
}

void addScaled(MonoBuffer& target, const MonoBuffer& source, float gain) {
    for (std::size_t i = 0; i < target.size(); ++i) {
        target[i] += source[i] * gain;
    }
}

// The echoes and the reverb tail pump half as deep as the dry ducked group.
MonoBuffer halfDepth(const MonoBuffer& duck) {
    MonoBuffer gains(duck.size());
    for (std::size_t i = 0; i < duck.size(); ++i) {
        gains[i] = 0.5f + 0.5f * duck[i];
    }
    return gains;
}

// Removes DC and subsonic rumble that would waste headroom; the kick's 45 Hz passes.
void removeRumble(MonoBuffer& channel) {
    OnePole first(5.0), second(5.0);
    for (float& sample : channel) {
        sample = static_cast<float>(second.highPass(first.highPass(sample)));
    }
}

StereoBuffer renderParts(MixBuses& buses) {
    renderDrums(buses);
    renderBass(buses);
    renderPads(buses);
    renderArpeggio(buses);
    renderStabs(buses);
    renderLead(buses);
    renderTransitions(buses);
    const MonoBuffer duck = kickDuckEnvelope(buses.ducked.size(), duckingKicks());
    const MonoBuffer softDuck = halfDepth(duck);
    applyPingPongEcho(buses.echoSend, {0.75 * kBeatSeconds, 0.5, 3200.0});
    // The echoes are sent on into the reverb so they sit in the same room.
    addScaled(buses.reverbSend.left, buses.echoSend.left, 0.35f);
    addScaled(buses.reverbSend.right, buses.echoSend.right, 0.35f);
    applyReverb(buses.reverbSend, ReverbSettings{});
    StereoBuffer mix = std::move(buses.direct);
    for (int side = 0; side < 2; ++side) {
        MonoBuffer& out = side == 0 ? mix.left : mix.right;
        MonoBuffer& ducked = side == 0 ? buses.ducked.left : buses.ducked.right;
        MonoBuffer& echo = side == 0 ? buses.echoSend.left : buses.echoSend.right;
        MonoBuffer& reverb = side == 0 ? buses.reverbSend.left : buses.reverbSend.right;
        multiplyBy(ducked, duck);
        multiplyBy(echo, softDuck);
        multiplyBy(reverb, softDuck);
        addScaled(out, ducked, 1.0f);
        addScaled(out, echo, 0.8f);
        addScaled(out, reverb, 1.0f);
        removeRumble(out);
    }
    return mix;
}

}  // namespace

void applyFadeOut(StereoBuffer& buffer, double startSeconds, double endSeconds) {
    const std::size_t start = std::min(secondsToSamples(startSeconds), buffer.size());
    const std::size_t end = std::min(std::max(secondsToSamples(endSeconds), start), buffer.size());
    for (std::size_t i = start; i < buffer.size(); ++i) {
        double gain = 0.0;
        if (i < end) {
            const double progress = static_cast<double>(i - start) / static_cast<double>(end - start);
            gain = 0.5 + 0.5 * synthCos(kPi * progress);
        }
        buffer.left[i] = static_cast<float>(buffer.left[i] * gain);
        buffer.right[i] = static_cast<float>(buffer.right[i] * gain);
    }
}

StereoBuffer renderSoundtrack() {
    MixBuses buses(secondsToSamples(kTrackSeconds));
    StereoBuffer mix = renderParts(buses);
    applyFadeOut(mix, 58.5, kTrackSeconds);
    LimiterSettings limiter;
    limiter.ceiling = kSoundtrackCeiling;
    masterToLoudness(mix, kSoundtrackLoudnessLufs, limiter);
    return mix;
}
