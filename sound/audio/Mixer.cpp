#include "sound/audio/Mixer.h"

#include "sound/AudioLibrary.h"
#include "sound/audio/FftAnalyzer.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>
#include <cstring>

Mixer::Mixer(int mixRateHz, int channelCount, int blockFrames)
    : mixRateHz(mixRateHz),
      blockFrames(blockFrames),
      voices(static_cast<size_t>(channelCount)),
      songBlock(static_cast<size_t>(blockFrames) * 2),
      catchUpBlock(static_cast<size_t>(blockFrames) * 2),
      ring(new std::atomic<float>[kRingFrames]) {
    songs.reserve(16);
    for (int i = 0; i < kRingFrames; ++i) {
        ring[i].store(0.0f, std::memory_order_relaxed);
    }
}

namespace {

long long steadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void Mixer::render(float* out, int frameCount) {
    if (clockPacing) {
        catchUpWithClock();
    }
    noteRequest(frameCount);
    mixBlock(out, frameCount);
}

// Audio thread: when this block was asked for, for the heard position.
void Mixer::noteRequest(int frameCount) {
    requestSequence.fetch_add(1, std::memory_order_acq_rel);
    requestNs.store(steadyNowNs(), std::memory_order_relaxed);
    requestFirstFrame.store(mixed.load(std::memory_order_relaxed), std::memory_order_relaxed);
    requestFrameCount.store(frameCount, std::memory_order_relaxed);
    requestSequence.fetch_add(1, std::memory_order_release);
}

void Mixer::setOutputLatency(int frames) {
    latencyFrames.store(frames, std::memory_order_relaxed);
}

Mixer::Request Mixer::lastRequest() const {
    Request request;
    for (;;) {
        unsigned before = requestSequence.load(std::memory_order_acquire);
        request.atNs = requestNs.load(std::memory_order_relaxed);
        request.firstFrame = requestFirstFrame.load(std::memory_order_relaxed);
        request.frameCount = requestFrameCount.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if ((before & 1) == 0 && requestSequence.load(std::memory_order_relaxed) == before) {
            return request;
        }
    }
}

long long Mixer::heardFrame() const {
    long long published = mixed.load(std::memory_order_acquire);
    Request request = lastRequest();
    long long atNs = request.atNs, firstFrame = request.firstFrame;
    int frameCount = request.frameCount;
    if (frameCount == 0) {
        return 0;  // no block requested yet
    }
    double sinceSeconds = (steadyNowNs() - atNs) * 1e-9;
    long long advance = std::min<long long>(static_cast<long long>(sinceSeconds * mixRateHz), frameCount);
    long long heard = firstFrame - latencyFrames.load(std::memory_order_relaxed) + std::max(0LL, advance);
    return std::min(heard, published);
}

void Mixer::setClockPacing(bool enabled) {
    clockPacing = enabled;
    clockStarted = false;
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
    auto now = std::chrono::steady_clock::now();
    long long mixedSoFar = mixed.load(std::memory_order_relaxed);
    if (!clockStarted) {
        // What is mixed less what the output still held is what has been heard by now.
        long long heardSoFar = mixedSoFar - latencyFrames.load(std::memory_order_relaxed);
        clockOrigin = now - std::chrono::microseconds(heardSoFar * 1000000LL / mixRateHz);
        clockStarted = true;
        return;
    }
    double elapsedSeconds = std::chrono::duration<double>(now - clockOrigin).count();
    long long behind = static_cast<long long>(elapsedSeconds * mixRateHz) - mixedSoFar;
    if (behind > mixRateHz) {
        // After a long stall, start the clock afresh rather than mix seconds at once.
        clockStarted = false;
        return;
    }
    while (behind > 0) {
        int count = static_cast<int>(std::min<long long>(behind, blockFrames));
        mixBlock(catchUpBlock.data(), count);
        behind -= count;
    }
}

void Mixer::mixVoices(float* out, int frameCount) {
    for (Voice& voice : voices) {
        if (voice.sample == nullptr) {
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

void Mixer::mixSongs(float* out, int frameCount) {
    for (FMUSIC_MODULE* song : songs) {
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
        float left = std::clamp(samples[2 * i], -1.0f, 1.0f);
        float right = std::clamp(samples[2 * i + 1], -1.0f, 1.0f);
        samples[2 * i] = left;
        samples[2 * i + 1] = right;
        blockPeak = std::max(blockPeak, std::max(std::fabs(left), std::fabs(right)));
        ring[(first + i) % kRingFrames].store(monoOf(left, right), std::memory_order_relaxed);
    }
    mixed.store(first + frameCount, std::memory_order_release);
    float seen = peak.load(std::memory_order_relaxed);
    while (blockPeak > seen && !peak.compare_exchange_weak(seen, blockPeak)) {
    }
}

int Mixer::startSample(int channel, const FSOUND_SAMPLE* sample, long long calledNs, int& error) {
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
    // What is mixed but not heard yet is already on its way; starting that far into
    // the sample makes what is heard at time t after this call its frame at t.
    long long mixedSoFar = mixed.load(std::memory_order_relaxed);
    long long sinceCall = std::max(0LL, (steadyNowNs() - calledNs) * mixRateHz / 1000000000LL);
    long long lead = std::max(0LL, mixedSoFar - heardFrame() + sinceCall);
    Voice& voice = voices[channel];
    voice.sample = sample->pcm.frames.empty() || lead >= sample->pcm.frameCount() ? nullptr : sample;
    voice.position = lead;
    voice.startFrame = mixedSoFar - lead;
    return channel;
}

void Mixer::stopSample(const FSOUND_SAMPLE* sample) {
    for (Voice& voice : voices) {
        if (voice.sample == sample) {
            voice.sample = nullptr;
        }
    }
}

void Mixer::startSong(FMUSIC_MODULE* song) {
    openmpt_module_set_position_seconds(song->module, 0.0);
    song->playing = true;
    if (std::find(songs.begin(), songs.end(), song) == songs.end()) {
        songs.push_back(song);
    }
}

void Mixer::stopSong(FMUSIC_MODULE* song) {
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

long long Mixer::nowNs() {
    return steadyNowNs();
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
        // Acquire keeps the check below from being answered before these reads.
        window[n] = mixedYet ? ring[frame % kRingFrames].load(std::memory_order_acquire) : 0.0f;
    }
    // The block being mixed now may already overwrite the oldest ring entries.
    long long writing = mixed.load(std::memory_order_acquire) + blockFrames;
    return writing - first <= kRingFrames;
}

float Mixer::takePeak() {
    return peak.exchange(0.0f);
}
