#include "tools/soundserver/RecordingMatch.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr long long kBlockFrames = 1024;
// Quieter than any sounding part of a track, louder than float rounding.
constexpr float kSilence = 1e-5f;
// A block matches when its residual is 60 dB under its signal (or under the silence floor).
constexpr double kMatchRatio = 1e-6;

struct Stereo {
    const float* data;
    long long frameCount;

    float at(long long frame, int side) const {
        return frame >= 0 && frame < frameCount ? data[2 * frame + side] : 0.0f;
    }
};

struct Energies {
    double residual = 0.0;
    double signal = 0.0;
    double recorded = 0.0;

    bool match(long long count) const { return residual <= kMatchRatio * signal + 1e-9 * count; }
};

// Energies of recording frames [start, start + count) against the track shifted by lag;
// stops early once the residual passes limit.
Energies compare(const Stereo& recording, const Stereo& track, long long start, long long count, long long lag,
                 double limit = std::numeric_limits<double>::infinity()) {
    Energies e;
    for (long long i = start; i < start + count && e.residual <= limit; ++i) {
        for (int side = 0; side < 2; ++side) {
            double r = recording.at(i, side), t = track.at(i - lag, side);
            e.residual += (r - t) * (r - t);
            e.signal += t * t;
            e.recorded += r * r;
        }
    }
    return e;
}

bool silent(const Stereo& recording, long long start, long long count) {
    for (long long i = start; i < start + count; ++i) {
        if (std::fabs(recording.at(i, 0)) >= kSilence || std::fabs(recording.at(i, 1)) >= kSilence) {
            return false;
        }
    }
    return true;
}

// The lag in [lowLag, highLag] under which the block matches best.
long long bestLag(const Stereo& recording, const Stereo& track, long long start, long long count, long long lowLag,
                  long long highLag) {
    long long best = lowLag;
    double bestResidual = std::numeric_limits<double>::infinity();
    for (long long lag = lowLag; lag <= highLag; ++lag) {
        double residual = compare(recording, track, start, count, lag, bestResidual).residual;
        if (residual < bestResidual) {
            bestResidual = residual;
            best = lag;
        }
    }
    return best;
}

float peakOf(const std::vector<float>& samples) {
    float peak = 0.0f;
    for (float s : samples) {
        peak = std::max(peak, std::fabs(s));
    }
    return peak;
}

// Frames from start on that still match the track under lag, one by one.
long long matchingPrefix(const Stereo& recording, const Stereo& track, long long start, long long lag) {
    long long n = 0;
    while (n < kBlockFrames && !silent(recording, start + n, 1) &&
           std::fabs(recording.at(start + n, 0) - track.at(start + n - lag, 0)) < 1e-4f &&
           std::fabs(recording.at(start + n, 1) - track.at(start + n - lag, 1)) < 1e-4f) {
        ++n;
    }
    return n;
}

}  // namespace

RecordingMatch matchRecording(const std::vector<float>& recordingSamples, const std::vector<float>& trackSamples,
                              int rateHz, double maxStartSeconds) {
    RecordingMatch m;
    const Stereo recording{recordingSamples.data(), static_cast<long long>(recordingSamples.size() / 2)};
    const Stereo track{trackSamples.data(), static_cast<long long>(trackSamples.size() / 2)};
    m.recordingPeak = peakOf(recordingSamples);
    m.trackPeak = peakOf(trackSamples);
    long long onset = 0;
    while (onset < recording.frameCount && silent(recording, onset, 1)) {
        ++onset;
    }
    if (onset + kBlockFrames > recording.frameCount) {
        return m;
    }
    // Other sounds (a reference click) may come first: the first block that matches.
    long long maxStart = static_cast<long long>(maxStartSeconds * rateHz);
    long long lowLag = onset - maxStart;
    long long lag = 0;
    for (int tries = 0;; ++tries, onset += kBlockFrames) {
        if (tries == 64 || onset + kBlockFrames > recording.frameCount) {
            return m;
        }
        if (silent(recording, onset, kBlockFrames)) {
            continue;
        }
        lag = bestLag(recording, track, onset, kBlockFrames, lowLag, onset);
        if (compare(recording, track, onset, kBlockFrames, lag).match(kBlockFrames)) {
            break;
        }
    }
    m.found = true;
    m.segments.push_back({onset, lag});
    m.firstTrackFrame = onset - lag;
    Energies total;
    for (long long start = onset; start + kBlockFrames <= recording.frameCount; start += kBlockFrames) {
        if (silent(recording, start, kBlockFrames)) {
            continue;
        }
        Energies e = compare(recording, track, start, kBlockFrames, lag);
        if (!e.match(kBlockFrames)) {
            long long prefix = matchingPrefix(recording, track, start, lag);
            if (prefix > 0 && start + prefix - 1 - lag < track.frameCount) {
                m.lastTrackFrame = start + prefix - 1 - lag;
                m.lastRecordingFrame = start + prefix - 1;
            }
            // Dropouts push the track later, repeats too; skips pull it earlier.
            long long found = bestLag(recording, track, start, kBlockFrames, lag - 4096, lag + rateHz);
            e = compare(recording, track, start, kBlockFrames, found);
            if (!e.match(kBlockFrames)) {
                m.unmatchedFrames += kBlockFrames;
                continue;
            }
            lag = found;
            m.segments.push_back({start, lag});
        }
        total.residual += e.residual;
        total.signal += e.signal;
        total.recorded += e.recorded;
        if (start + kBlockFrames - 1 - lag < track.frameCount) {
            m.lastTrackFrame = start + kBlockFrames - 1 - lag;
            m.lastRecordingFrame = start + kBlockFrames - 1;
        }
    }
    m.residualDb = 10.0 * std::log10(std::max(total.residual, 1e-30) / std::max(total.signal, 1e-30));
    m.levelDb = 10.0 * std::log10(std::max(total.recorded, 1e-30) / std::max(total.signal, 1e-30));
    return m;
}
