#include "sound/audio/Mixer.h"

#include "sound/audio/AudioTypes.h"
#include "platform/ProcessClock.h"
#include "sound/audio/FftAnalyzer.h"
#include "sound/audio/SincInterpolator.h"

#include <SDL.h>
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
    // Builds the interpolator's table here rather than on the audio thread's first use.
    float left = 0.0f, right = 0.0f;
    SincInterpolator::read(nullptr, 0, 0, 0.0, left, right);
}

void Mixer::render(float* out, int frameCount) {
    if (clockPacing) {
        catchUpWithClock();
    }
    noteRequest(frameCount);
    mixBlock(out, frameCount);
}

// Audio thread: when this block was asked for and what was heard then, for the heard
// position, and the samples' pace for the block.
void Mixer::noteRequest(int frameCount) {
    long long atNs = processClockNs();
    long long firstFrame = mixed.load(std::memory_order_relaxed);
    if (latencySource && !clockPacing) {
        observeOutput(atNs, firstFrame);
    }
    bool fitted = heardClock.ready() && !clockPacing;
    requestSequence.fetch_add(1, std::memory_order_acq_rel);
    requestNs.store(atNs, std::memory_order_relaxed);
    requestFirstFrame.store(firstFrame, std::memory_order_relaxed);
    requestFrameCount.store(frameCount, std::memory_order_relaxed);
    requestHeardFrame.store(fitted ? heardClock.heardFrameAt(atNs) : 0.0, std::memory_order_relaxed);
    requestHeardRate.store(fitted ? heardClock.framesPerSecond() : 0.0, std::memory_order_relaxed);
    requestSequence.fetch_add(1, std::memory_order_release);
    if (fitted) {
        steerVoices(atNs, firstFrame);
    }
}

// Everything before firstFrame has been handed to the output, and SDL writes nothing
// more until this block is mixed, so what the server holds at this moment ends
// there: the frame heard is firstFrame less the latency. The moment is taken
// halfway through the question.
void Mixer::observeOutput(long long requestNs, long long firstFrame) {
    long long latencyUs = latencySource();
    if (latencyUs < 0) {
        // A server that does not answer may have gone. What is heard is placed by
        // the blocks asked for again, from where the fit had it, so that it goes on
        // without a jump; the samples keep the pace they had.
        if (heardClock.ready()) {
            double heardNow = heardClock.heardFrameAt(requestNs);
            setOutputLatency(static_cast<int>(std::lround(static_cast<double>(firstFrame) - heardNow)));
            heardClock.reset();
        }
        return;
    }
    long long answeredNs = processClockNs();
    setOutputLatency(static_cast<int>(latencyUs * mixRateHz / 1000000));
    heardClock.observe(requestNs + (answeredNs - requestNs) / 2,
                       static_cast<double>(firstFrame) - latencyUs * 1e-6 * mixRateHz);
}

// Sets each voice's pace for the coming block: the output's frames per second of the
// clock turned into sample frames, plus what brings a voice that is heard early or
// late back to the clock over kSteerSeconds.
void Mixer::steerVoices(long long requestNs, long long firstFrame) {
    double outputRate = heardClock.framesPerSecond();
    double firstHeardNs = requestNs + (firstFrame - heardClock.heardFrameAt(requestNs)) / outputRate * 1e9;
    for (Voice& voice : voices) {
        if (voice.sample == nullptr) {
            continue;
        }
        double due = (firstHeardNs - voice.zeroHeardNs) * 1e-9 * mixRateHz;
        double ahead = voice.position + voice.fraction - due;
        double step = (mixRateHz - ahead / kSteerSeconds) / outputRate;
        voice.step = std::clamp(step, 1.0 - kMaxStepDeviation, 1.0 + kMaxStepDeviation);
    }
}

void Mixer::setLatencySource(std::function<long long()> readLatencyUs) {
    latencySource = std::move(readLatencyUs);
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
        request.heardFrame = requestHeardFrame.load(std::memory_order_relaxed);
        request.heardFramesPerSecond = requestHeardRate.load(std::memory_order_relaxed);
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
    double sinceSeconds = (processClockNs() - atNs) * 1e-9;
    long long advance = std::min<long long>(static_cast<long long>(sinceSeconds * mixRateHz), frameCount);
    long long heard = firstFrame - latencyFrames.load(std::memory_order_relaxed) + std::max(0LL, advance);
    if (request.heardFramesPerSecond > 0.0) {
        heard = static_cast<long long>(std::floor(request.heardFrame)) + std::max(0LL, advance);
    }
    return std::min(heard, published);
}

void Mixer::setClockPacing(bool enabled) {
    clockPacing = enabled;
    clockStarted = false;
    heardClock.reset();
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
    long long nowNs = processClockNs();
    long long mixedSoFar = mixed.load(std::memory_order_relaxed);
    if (!clockStarted) {
        // What is mixed less what the output still held is what has been heard by now.
        long long heardSoFar = mixedSoFar - latencyFrames.load(std::memory_order_relaxed);
        clockOriginNs = nowNs - heardSoFar * 1000000000LL / mixRateHz;
        clockStarted = true;
        return;
    }
    // The clock says what has been heard by now; what is mixed must reach that far
    // and the output's latency beyond, or the heard position (the blocks asked for
    // less the latency) falls behind the clock whenever the device asks slowly.
    double elapsedSeconds = (nowNs - clockOriginNs) * 1e-9;
    long long behind = static_cast<long long>(elapsedSeconds * mixRateHz) -
                       (mixedSoFar - latencyFrames.load(std::memory_order_relaxed));
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
    long long firstFrame = mixed.load(std::memory_order_relaxed);
    for (Voice& voice : voices) {
        if (voice.sample == nullptr) {
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
    long long nowNs = processClockNs();
    long long sinceCall = std::max(0LL, (nowNs - calledNs) * mixRateHz / 1000000000LL);
    long long lead = std::max(0LL, mixedSoFar - heardFrame() + sinceCall);
    Voice& voice = voices[channel];
    voice.sample = sample->pcm.frames.empty() || lead >= sample->pcm.frameCount() ? nullptr : sample;
    voice.position = lead;
    voice.startFrame = mixedSoFar - lead;
    voice.fraction = 0.0;
    voice.step = 1.0;
    voice.zeroHeardNs = calledNs;
    voice.anchors.fill({});
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
