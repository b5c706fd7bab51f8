#include "sound/audio/OutputClock.h"

#include <algorithm>
#include <cmath>
#include <utility>

long long framesToNs(long long frames, int rateHz) {
    return frames / rateHz * 1000000000LL + frames % rateHz * 1000000000LL / rateHz;
}

long long nsToFrames(long long ns, int rateHz) {
    return ns / 1000000000LL * rateHz + ns % 1000000000LL * rateHz / 1000000000LL;
}

OutputClock::OutputClock(int mixRateHz, Clock nowNs) : mixRateHz(mixRateHz), clock(std::move(nowNs)) {}

void OutputClock::setOutputLatency(int frames) {
    latencyFrames.store(frames, std::memory_order_relaxed);
}

int OutputClock::outputLatency() const {
    return latencyFrames.load(std::memory_order_relaxed);
}

void OutputClock::setLatencySource(std::function<long long()> readLatencyUs) {
    latencySource = std::move(readLatencyUs);
}

void OutputClock::setRequestTiming(bool enabled) {
    requestTiming = enabled;
}

void OutputClock::setWallClockPacing(bool enabled) {
    Request request = lastRequest();
    bool asked = request.frameCount > 0;
    long long heardThen = request.heardFramesPerSecond > 0.0 ? static_cast<long long>(std::floor(request.heardFrame))
                                                             : request.firstFrame - outputLatency();
    wallClock = enabled;
    readingsFit.reset();
    requestsFit.reset();
    requestsFitWasReady = false;
    if (enabled && asked) {
        startWallClock(request.atNs - framesToNs(heardThen, mixRateHz));
    } else {
        wallClockStarted = false;
        wallOriginNs.store(kNoOrigin, std::memory_order_release);
    }
}

void OutputClock::startWallClock(long long originNs) {
    wallClockStarted = true;
    wallOriginNs.store(originNs, std::memory_order_release);
}

// The clock says what has been heard by now; what is mixed must reach that far and
// the output's latency beyond, or the heard position (the blocks asked for less the
// latency) falls behind the clock whenever the device asks slowly.
long long OutputClock::framesDue(long long mixedSoFar) {
    if (!wallClock) {
        return 0;
    }
    long long now = clock();
    if (!wallClockStarted) {
        // What is mixed less what the output still held is what has been heard by now.
        long long heardSoFar = mixedSoFar - outputLatency();
        startWallClock(now - framesToNs(heardSoFar, mixRateHz));
        return 0;
    }
    long long origin = wallOriginNs.load(std::memory_order_relaxed);
    long long behind = nsToFrames(now - origin, mixRateHz) - (mixedSoFar - outputLatency());
    if (behind > mixRateHz) {
        // After a long stall, start the clock afresh rather than mix seconds at once.
        wallClockStarted = false;
        wallOriginNs.store(kNoOrigin, std::memory_order_release);
        return 0;
    }
    return std::max(0LL, behind);
}

void OutputClock::noteRequest(long long firstFrame, int frameCount) {
    long long atNs = clock();
    if (latencySource && !wallClock) {
        observeOutput(atNs, firstFrame);
    }
    if (requestTiming && !wallClock) {
        requestsFit.observe(atNs, static_cast<double>(firstFrame));
        if (requestsFit.ready() && !requestsFitWasReady) {
            requestsFitLatency = outputLatency();
        }
        requestsFitWasReady = requestsFit.ready();
    }
    bool fitted = pacesSamples();
    if (fitted) {
        const HeardClock* used = fit();
        double heardNow = used->heardFrameAt(atNs) - (used == &requestsFit ? requestsFitLatency : 0);
        blockFirstFrame = firstFrame;
        blockHeardNs = atNs + (firstFrame - heardNow) / used->framesPerSecond() * 1e9;
    }
    publishRequest(atNs, firstFrame, frameCount, fitted);
}

// A server's readings say what is heard; the requests say what is asked for, which
// is heard the output's latency later.
const HeardClock* OutputClock::fit() const {
    if (wallClock) {
        return nullptr;
    }
    if (readingsFit.ready()) {
        return &readingsFit;
    }
    return requestTiming && requestsFit.ready() ? &requestsFit : nullptr;
}

double OutputClock::fittedHeardFrameAt(long long atNs) const {
    const HeardClock* used = fit();
    double frame = used->heardFrameAt(atNs);
    return used == &requestsFit ? frame - outputLatency() : frame;
}

// Everything before firstFrame has been handed to the output, and SDL writes nothing
// more until this block is mixed, so what the server holds at this moment ends
// there: the frame heard is firstFrame less the latency. The moment is taken
// halfway through the question.
void OutputClock::observeOutput(long long requestNs, long long firstFrame) {
    long long latencyUs = latencySource();
    if (latencyUs < 0) {
        // A server that does not answer may have gone. What is heard is placed by
        // the blocks asked for again, from where the fit had it, so that it goes on
        // without a jump; the samples keep the pace they had.
        if (readingsFit.ready()) {
            double heardNow = readingsFit.heardFrameAt(requestNs);
            setOutputLatency(static_cast<int>(std::lround(static_cast<double>(firstFrame) - heardNow)));
            readingsFit.reset();
        }
        return;
    }
    long long answeredNs = clock();
    setOutputLatency(static_cast<int>(latencyUs * mixRateHz / 1000000));
    readingsFit.observe(requestNs + (answeredNs - requestNs) / 2,
                       static_cast<double>(firstFrame) - latencyUs * 1e-6 * mixRateHz);
}

// A sequence lock without fences: the count goes odd, the fields are stored with
// release, the count goes even again with release. A reader that takes any field of
// a newer write has synchronised with that store, so it sees the odd count stored
// before it and tries again. Orderings the memory model (and ThreadSanitizer) take
// as they are, on any processor. Only the mixing thread writes.
void OutputClock::publishRequest(long long atNs, long long firstFrame, int frameCount, bool fitted) {
    unsigned sequence = requestSequence.load(std::memory_order_relaxed);
    requestSequence.store(sequence + 1, std::memory_order_relaxed);
    requestNs.store(atNs, std::memory_order_release);
    requestFirstFrame.store(firstFrame, std::memory_order_release);
    requestFrameCount.store(frameCount, std::memory_order_release);
    requestHeardFrame.store(fitted ? fittedHeardFrameAt(atNs) : 0.0, std::memory_order_release);
    requestHeardRate.store(fitted ? fit()->framesPerSecond() : 0.0, std::memory_order_release);
    requestSequence.store(sequence + 2, std::memory_order_release);
}

bool OutputClock::pacesSamples() const {
    return fit() != nullptr;
}

double OutputClock::sampleStep(long long zeroHeardNs, long long startFrame, double samplePosition,
                               double& keptAheadFrames) const {
    double due = (blockHeardNs - zeroHeardNs) * 1e-9 * mixRateHz;
    double ahead = samplePosition - due;
    if (fit() == &requestsFit) {
        if (std::isnan(keptAheadFrames)) {
            // Frame 0 is heard when the fit has mixer frame startFrame heard: how far
            // ahead of its call that was, the sample's offset at its start.
            double startHeardNs = blockHeardNs + (startFrame - blockFirstFrame) / fit()->framesPerSecond() * 1e9;
            keptAheadFrames = (zeroHeardNs - startHeardNs) * 1e-9 * mixRateHz;
        }
        ahead -= keptAheadFrames;
    }
    double step = (mixRateHz - ahead / kSteerSeconds) / fit()->framesPerSecond();
    return std::clamp(step, 1.0 - kMaxStepDeviation, 1.0 + kMaxStepDeviation);
}

OutputClock::Request OutputClock::lastRequest() const {
    Request request;
    for (;;) {
        unsigned before = requestSequence.load(std::memory_order_acquire);
        request.atNs = requestNs.load(std::memory_order_acquire);
        request.firstFrame = requestFirstFrame.load(std::memory_order_acquire);
        request.frameCount = requestFrameCount.load(std::memory_order_acquire);
        request.heardFrame = requestHeardFrame.load(std::memory_order_acquire);
        request.heardFramesPerSecond = requestHeardRate.load(std::memory_order_acquire);
        if ((before & 1) == 0 && requestSequence.load(std::memory_order_relaxed) == before) {
            return request;
        }
    }
}

long long OutputClock::heardFrame(long long mixedSoFar) const {
    long long origin = wallOriginNs.load(std::memory_order_acquire);
    if (origin != kNoOrigin) {
        return std::min(nsToFrames(clock() - origin, mixRateHz), mixedSoFar);
    }
    Request request = lastRequest();
    if (request.frameCount == 0) {
        return 0;  // no block requested yet
    }
    double sinceSeconds = (clock() - request.atNs) * 1e-9;
    long long advance = std::min<long long>(static_cast<long long>(sinceSeconds * mixRateHz), request.frameCount);
    long long heard = request.firstFrame - outputLatency() + std::max(0LL, advance);
    if (request.heardFramesPerSecond > 0.0) {
        heard = static_cast<long long>(std::floor(request.heardFrame)) + std::max(0LL, advance);
    }
    return std::min(heard, mixedSoFar);
}

bool OutputClock::outputStalled(long long startedNs) const {
    Request request = lastRequest();
    long long lastNs = request.frameCount > 0 ? std::max(request.atNs, startedNs) : startedNs;
    return clock() - lastNs > kStalledOutputNs;
}
