#include "sound/audio/Mixer.h"

#include "platform/ProcessClock.h"
#include "sound/audio/AudioTypes.h"
#include "sound/audio/FftAnalyzer.h"
#include "sound/audio/SincInterpolator.h"

#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace {

// A mixed value as the output takes it: within full scale, and silence for one that is
// not a number or infinite (which clamping alone would pass on, or make full scale).
float audibleLevel(float value) {
    return std::isfinite(value) ? std::clamp(value, -1.0f, 1.0f) : 0.0f;
}

// Room for the output latency the spectrum can follow, the block being heard, the one
// being mixed and the analysis window; a power of two.
int ringFramesFor(int mixRateHz, int blockFrames) {
    long long needed =
        static_cast<long long>(Mixer::kMaxFollowedLatencySeconds * mixRateHz) + 2LL * blockFrames + kFftSize;
    int frames = 1;
    while (frames < needed) {
        frames *= 2;
    }
    return frames;
}

}  // namespace

Mixer::Mixer(int mixRateHz, int channelCount, int blockFrames, OutputClock::Clock nowNs)
    : mixRateHz(mixRateHz),
      blockFrames(blockFrames),
      voices(static_cast<size_t>(channelCount)),
      songBlock(static_cast<size_t>(blockFrames) * 2),
      catchUpBlock(static_cast<size_t>(blockFrames) * 2),
      outputClock(mixRateHz, std::move(nowNs)),
      ringFrames(ringFramesFor(mixRateHz, blockFrames)),
      ring(new std::atomic<float>[static_cast<size_t>(ringFrames)]) {
    songs.reserve(16);
    for (int i = 0; i < ringFrames; ++i) {
        ring[i].store(0.0f, std::memory_order_relaxed);
    }
    // Builds the interpolator's table here rather than on the audio thread's first use.
    float left = 0.0f, right = 0.0f;
    SincInterpolator::read(nullptr, 0, 0, 0.0, left, right);
}

void Mixer::render(float* out, int frameCount) {
    catchUpWithClock();
    outputClock.noteRequest(mixed.load(std::memory_order_relaxed), frameCount);
    if (outputClock.pacesSamples()) {
        steerVoices();
    }
    mixBlock(out, frameCount);
}

// Sets each voice's pace for the coming block from the output's clock.
void Mixer::steerVoices() {
    for (Voice& voice : voices) {
        if (voice.sample != nullptr && !voice.paused) {
            double position = voice.position + voice.fraction;
            voice.step =
                outputClock.sampleStep(voice.zeroHeardNs, voice.startFrame, position, voice.keptAheadFrames);
        }
    }
}

void Mixer::setLatencySource(std::function<long long()> readLatencyUs) {
    outputClock.setLatencySource(std::move(readLatencyUs));
}

void Mixer::setRequestTiming(bool enabled) {
    outputClock.setRequestTiming(enabled);
}

void Mixer::setOutputLatency(int frames) {
    outputClock.setOutputLatency(frames);
}

long long Mixer::heardFrame() const {
    return outputClock.heardFrame(mixed.load(std::memory_order_acquire));
}

void Mixer::setClockPacing(bool enabled) {
    outputClock.setWallClockPacing(enabled);
    for (Voice& voice : voices) {
        voice.step = 1.0;
    }
}

void Mixer::mixBlock(float* out, int frameCount) {
    std::memset(out, 0, sizeof(float) * 2 * static_cast<size_t>(frameCount));
    mixVoices(out, frameCount);
    mixSongs(out, frameCount);
    publish(out, frameCount);
}

// Mixes, publishes and drops the frames the wall clock says should have started by
// now, so that playback time neither lags nor drifts when no device sets the pace.
void Mixer::catchUpWithClock() {
    mixDue(outputClock.framesDue(mixed.load(std::memory_order_relaxed)));
}

// Here no block follows: what is due is mixed in whole blocks, a little ahead, so
// that a caller that comes often does not cut the mix into slivers.
void Mixer::keepUpWithClock() {
    long long behind = outputClock.framesDue(mixed.load(std::memory_order_relaxed));
    mixDue((behind + blockFrames - 1) / blockFrames * blockFrames);
}

void Mixer::mixDue(long long frameCount) {
    while (frameCount > 0) {
        int count = static_cast<int>(std::min<long long>(frameCount, blockFrames));
        mixBlock(catchUpBlock.data(), count);
        frameCount -= count;
    }
}

void Mixer::mixVoices(float* out, int frameCount) {
    long long firstFrame = mixed.load(std::memory_order_relaxed);
    for (Voice& voice : voices) {
        if (voice.sample == nullptr || voice.paused) {
            continue;
        }
        voice.newestAnchor = (voice.newestAnchor + 1) % static_cast<int>(voice.anchors.size());
        voice.anchors[voice.newestAnchor] = {firstFrame, voice.position + voice.fraction, voice.step};
        if (voice.step != 1.0 || voice.fraction != 0.0) {
            mixVoiceStepped(voice, out, frameCount);
            continue;
        }
        bool whole = voice.sample->isWhole();
        long long ready = voice.sample->readyFrames();
        long long count = std::clamp<long long>(ready - voice.position, 0, frameCount);
        const float* source = voice.sample->pcm.frames.data() + 2 * voice.position;
        for (long long i = 0; i < 2 * count; ++i) {
            out[i] += source[i];
        }
        // Frames still being resampled are passed over in silence, keeping time.
        voice.position += whole ? count : frameCount;
        if (whole && voice.position >= ready) {
            voice.sample = nullptr;  // a sample plays once
        }
    }
}

// A voice whose pace has been adjusted, read between its frames. Frames still being
// resampled read as silence, as in the exact path.
void Mixer::mixVoiceStepped(Voice& voice, float* out, int frameCount) {
    const float* frames = voice.sample->pcm.frames.data();
    long long frameTotal = voice.sample->pcm.frameCount();
    long long ready = voice.sample->readyFrames();
    for (int i = 0; i < frameCount && voice.position < frameTotal; ++i) {
        float left = 0.0f, right = 0.0f;
        SincInterpolator::read(frames, ready, voice.position, voice.fraction, left, right);
        out[2 * i] += left;
        out[2 * i + 1] += right;
        voice.fraction += voice.step;
        double whole = std::floor(voice.fraction);
        voice.position += static_cast<long long>(whole);
        voice.fraction -= whole;
    }
    if (voice.position >= frameTotal) {
        voice.sample = nullptr;  // a sample plays once
    }
}

void Mixer::mixSongs(float* out, int frameCount) {
    for (LoadedModule* song : songs) {
        int done = 0;
        while (done < frameCount && song->playing) {
            int chunk = std::min(frameCount - done, blockFrames);
            size_t got = openmpt_module_read_interleaved_float_stereo(song->module, mixRateHz,
                                                                      chunk, songBlock.data());
            for (size_t i = 0; i < 2 * got; ++i) {
                out[2 * done + i] += songBlock[i];
            }
            done += static_cast<int>(got);
            if (got < static_cast<size_t>(chunk)) {
                song->playing = false;  // a module with nothing to loop over
            }
        }
    }
}


// Clamps the block, records its peak and mono mix, then advances the mixed count.
void Mixer::publish(float* samples, int frameCount) {
    float blockPeak = 0.0f;
    long long first = mixed.load(std::memory_order_relaxed);
    for (int i = 0; i < frameCount; ++i) {
        float left = audibleLevel(samples[2 * i]);
        float right = audibleLevel(samples[2 * i + 1]);
        samples[2 * i] = left;
        samples[2 * i + 1] = right;
        blockPeak = std::max(blockPeak, std::max(std::fabs(left), std::fabs(right)));
        // Release: a reader that takes this value has synchronised with the publication
        // of every block before it, so its tear check sees at least that many mixed.
        ring[(first + i) % ringFrames].store(monoOf(left, right), std::memory_order_release);
    }
    mixed.store(first + frameCount, std::memory_order_release);
    float seen = peak.load(std::memory_order_relaxed);
    while (blockPeak > seen && !peak.compare_exchange_weak(seen, blockPeak)) {
    }
}

int Mixer::startSample(int channel, const LoadedSample* sample, long long calledNs, int& error,
                       long long fromFrame) {
    int count = static_cast<int>(voices.size());
    if (channel == FSOUND_FREE) {
        channel = 0;
        while (channel < count && voices[channel].sample != nullptr) {
            ++channel;
        }
        if (channel == count) {
            error = FMOD_ERR_CHANNEL_ALLOC;
            return -1;
        }
    } else if (channel < 0 || channel >= count) {
        error = FMOD_ERR_INVALID_PARAM;
        return -1;
    }
    fromFrame = std::clamp<long long>(fromFrame, 0, sample->pcm.frameCount());
    // What is mixed but not heard yet is already on its way; starting that far into
    // the sample makes what is heard at time t after this call its frame at t.
    long long mixedSoFar = mixed.load(std::memory_order_relaxed);
    long long nowNs = outputClock.nowNs();
    long long sinceCall = std::max(0LL, nsToFrames(nowNs - calledNs, mixRateHz));
    long long lead = std::max(0LL, mixedSoFar - heardFrame() + sinceCall);
    // A sample no longer than that would be skipped whole, and never heard: it plays
    // from its start instead, late by the output's latency at most.
    if (lead >= sample->pcm.frameCount() - fromFrame) {
        lead = 0;
    }
    Voice& voice = voices[channel];
    voice.sample = sample->pcm.frames.size() > static_cast<size_t>(2 * fromFrame) ? sample : nullptr;
    voice.position = fromFrame + lead;
    voice.startFrame = mixedSoFar - lead - fromFrame;
    voice.firstMixedFrame = mixedSoFar;
    voice.paused = false;
    voice.pausedFrame = 0;
    voice.fraction = 0.0;
    voice.step = 1.0;
    voice.zeroHeardNs = calledNs - framesToNs(fromFrame, mixRateHz);
    voice.keptAheadFrames = std::numeric_limits<double>::quiet_NaN();
    voice.anchors.fill({});
    return channel;
}

bool Mixer::seekChannel(int channel, long long frame, long long calledNs) {
    const LoadedSample* sample = channelSample(channel);
    if (sample == nullptr) {
        return false;
    }
    Voice& voice = voices[channel];
    if (voice.paused) {
        voice.pausedFrame = std::clamp<long long>(frame, 0, sample->pcm.frameCount());
        return true;
    }
    int error = 0;
    startSample(channel, sample, calledNs, error, frame);
    return true;
}

bool Mixer::pauseChannel(int channel, bool paused, long long calledNs) {
    const LoadedSample* sample = channelSample(channel);
    if (sample == nullptr) {
        return false;
    }
    Voice& voice = voices[channel];
    if (paused == voice.paused) {
        return true;
    }
    if (paused) {
        voice.pausedFrame = channelClockFrame(channel, calledNs);
        voice.paused = true;
        return true;
    }
    int error = 0;
    startSample(channel, sample, calledNs, error, voice.pausedFrame);
    return true;
}

bool Mixer::isChannelPaused(int channel) const {
    return channelSample(channel) != nullptr && voices[channel].paused;
}

long long Mixer::channelClockFrame(int channel, long long atNs) const {
    const LoadedSample* sample = channelSample(channel);
    if (sample == nullptr) {
        return -1;
    }
    const Voice& voice = voices[channel];
    if (voice.paused) {
        return voice.pausedFrame;
    }
    return std::clamp<long long>(nsToFrames(atNs - voice.zeroHeardNs, mixRateHz), 0, sample->pcm.frameCount());
}

long long Mixer::channelFirstMixedFrame(int channel) const {
    return channelSample(channel) != nullptr ? voices[channel].firstMixedFrame : -1;
}

const LoadedSample* Mixer::channelSample(int channel) const {
    if (channel < 0 || channel >= static_cast<int>(voices.size())) {
        return nullptr;
    }
    return voices[channel].sample;
}

void Mixer::stopSample(const LoadedSample* sample) {
    for (Voice& voice : voices) {
        if (voice.sample == sample) {
            voice.sample = nullptr;
        }
    }
}

void Mixer::startSong(LoadedModule* song) {
    openmpt_module_set_position_seconds(song->module, 0.0);
    song->playing = true;
    if (std::find(songs.begin(), songs.end(), song) == songs.end()) {
        songs.push_back(song);
    }
}

void Mixer::stopSong(LoadedModule* song) {
    song->playing = false;
    songs.erase(std::remove(songs.begin(), songs.end(), song), songs.end());
}

bool Mixer::isChannelPlaying(int channel) const {
    return channel >= 0 && channel < static_cast<int>(voices.size()) &&
           voices[channel].sample != nullptr;
}

long long Mixer::channelStartFrame(int channel) const {
    if (channel < 0 || channel >= static_cast<int>(voices.size())) {
        return -1;
    }
    return voices[channel].startFrame;
}

double Mixer::channelSampleFrame(int channel, long long mixerFrame) const {
    if (channel < 0 || channel >= static_cast<int>(voices.size())) {
        return -1.0;
    }
    const Voice& voice = voices[channel];
    const Voice::Anchor* best = nullptr;
    for (const Voice::Anchor& anchor : voice.anchors) {
        if (anchor.mixerFrame >= 0 && anchor.mixerFrame <= mixerFrame &&
            (best == nullptr || anchor.mixerFrame > best->mixerFrame)) {
            best = &anchor;
        }
    }
    if (best == nullptr || mixerFrame - best->mixerFrame > blockFrames) {
        return -1.0;
    }
    return best->sampleFrame + (mixerFrame - best->mixerFrame) * best->step;
}

long long Mixer::nowNs() {
    return processClockNs();
}

long long Mixer::mixedFrames() const {
    return mixed.load(std::memory_order_acquire);
}

bool Mixer::copyMonoWindow(long long endFrame, float* window) const {
    long long published = mixed.load(std::memory_order_acquire);
    long long first = endFrame - kFftSize;
    for (int n = 0; n < kFftSize; ++n) {
        long long frame = first + n;
        bool mixedYet = frame >= 0 && frame < published;
        // Acquire pairs with the writer's release: a value of a newer block brings the
        // count of mixed frames published before it, which the check below then sees.
        window[n] = mixedYet ? ring[frame % ringFrames].load(std::memory_order_acquire) : 0.0f;
    }
    // The block being mixed now may already overwrite the oldest ring entries.
    long long writing = mixed.load(std::memory_order_acquire) + blockFrames;
    return writing - first <= ringFrames;
}

float Mixer::takePeak() {
    return peak.exchange(0.0f);
}
