#include "tests/support/soundserver/RecordingMatch.h"

#include "sound/audio/SincInterpolator.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr long long kBlockFrames = 1024;
// Quieter than any sounding part of a track, louder than float rounding.
constexpr float kSilence = 1e-5f;
// A block matches when its residual is 60 dB under its signal (or under the silence floor);
// 40 dB where the lag slides, which leaves room for the error of the fitted lag.
constexpr double kMatchRatio = 1e-6;
constexpr double kSlidingMatchRatio = 1e-4;
// Lags closer than this are one: a dropout moves the lag by the frames it lost.
constexpr double kSameLagFrames = 2.0;
// Lag is fitted over windows this long, a quarter of a block from either end.
constexpr long long kFitWindowFrames = 256;

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

    bool match(long long count, double ratio = kMatchRatio) const {
        return residual <= ratio * signal + 1e-9 * count;
    }
};

// How recording frames map to track positions over a block: frame i holds the track
// at i - (lag + slope * (i - start)). Exact while the lag is whole and does not slide.
struct Lag {
    double atStart = 0.0;
    double slope = 0.0;
    bool exact = true;

    double at(long long start, long long frame) const { return atStart + slope * (frame - start); }
};

// The track at a fractional position, through the player's own interpolator.
void trackAt(const Stereo& track, double position, float& left, float& right) {
    double whole = std::floor(position);
    SincInterpolator::read(track.data, track.frameCount, static_cast<long long>(whole), position - whole, left, right);
}

// Like compare, with the track read between its frames under a sliding lag.
Energies compareSliding(const Stereo& recording, const Stereo& track, long long start, long long count,
                        const Lag& lag, double limit = std::numeric_limits<double>::infinity()) {
    Energies e;
    for (long long i = start; i < start + count && e.residual <= limit; ++i) {
        float expected[2];
        trackAt(track, static_cast<double>(i) - lag.at(start, i), expected[0], expected[1]);
        for (int side = 0; side < 2; ++side) {
            double r = recording.at(i, side), t = expected[side];
            e.residual += (r - t) * (r - t);
            e.signal += t * t;
            e.recorded += r * r;
        }
    }
    return e;
}

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

// The lag in [lowLag, highLag] under which the block matches best, tried outward
// from nearLag: where the track is found near there (after a short dropout), every
// lag tried after it stops comparing within a few frames.
long long bestLag(const Stereo& recording, const Stereo& track, long long start, long long count, long long lowLag,
                  long long highLag, long long nearLag) {
    long long best = nearLag;
    double bestResidual = std::numeric_limits<double>::infinity();
    auto tryLag = [&](long long lag) {
        if (lag < lowLag || lag > highLag) {
            return;
        }
        double residual = compare(recording, track, start, count, lag, bestResidual).residual;
        if (residual < bestResidual) {
            bestResidual = residual;
            best = lag;
        }
    };
    for (long long step = 0; nearLag - step >= lowLag || nearLag + step <= highLag; ++step) {
        tryLag(nearLag + step);
        if (step > 0) {
            tryLag(nearLag - step);
        }
    }
    return best;
}

// The fractional lag, near guess, under which the window of kFitWindowFrames frames
// from start matches best while the lag slides by slope a frame: the best whole lag
// within 3 frames, then a golden-section search within a frame of it. Lags are
// those at the window's centre. Sliding inside the window matters: at the mixer's
// largest pace (0.2 %) a lag held still over a window errs by half a frame at its
// ends, a residual near the sliding match's 40 dB, and the fit wanders with it.
double fittedLag(const Stereo& recording, const Stereo& track, long long start, double guess, double slope) {
    const double half = kFitWindowFrames / 2.0;
    auto residualAt = [&](double lag) {
        return compareSliding(recording, track, start, kFitWindowFrames, Lag{lag - slope * half, slope, false}).residual;
    };
    double best = std::round(guess);
    double bestResidual = residualAt(best);
    for (int offset = -3; offset <= 3; ++offset) {
        double residual = residualAt(std::round(guess) + offset);
        if (residual < bestResidual) {
            bestResidual = residual;
            best = std::round(guess) + offset;
        }
    }
    const double kGolden = 0.6180339887;
    double low = best - 1.0, high = best + 1.0;
    double a = high - kGolden * (high - low), b = low + kGolden * (high - low);
    double residualA = residualAt(a), residualB = residualAt(b);
    for (int i = 0; i < 20; ++i) {
        if (residualA < residualB) {
            high = b;
            b = a;
            residualB = residualA;
            a = high - kGolden * (high - low);
            residualA = residualAt(a);
        } else {
            low = a;
            a = b;
            residualA = residualB;
            b = low + kGolden * (high - low);
            residualB = residualAt(b);
        }
    }
    return (low + high) / 2;
}

// The sliding lag of the block at start, fitted near guess (lag at the block's start)
// and slope: lags fitted at either end give its slope. A second fit under the slope
// found corrects the first where the pace has changed since slope was measured.
Lag slidingLag(const Stereo& recording, const Stereo& track, long long start, double guess, double slope) {
    const long long early = start + kBlockFrames / 8, late = start + kBlockFrames * 7 / 8 - kFitWindowFrames;
    const long long earlyCentre = early + kFitWindowFrames / 2, lateCentre = late + kFitWindowFrames / 2;
    Lag lag{guess, slope, false};
    for (int pass = 0; pass < 2; ++pass) {
        double earlyLag = fittedLag(recording, track, early, lag.at(start, earlyCentre), lag.slope);
        double lateLag = fittedLag(recording, track, late, lag.at(start, lateCentre), lag.slope);
        double fittedSlope = (lateLag - earlyLag) / static_cast<double>(lateCentre - earlyCentre);
        lag = Lag{earlyLag - fittedSlope * (earlyCentre - start), fittedSlope, false};
    }
    return lag;
}

Energies compareUnder(const Stereo& recording, const Stereo& track, long long start, const Lag& lag) {
    return lag.exact ? compare(recording, track, start, kBlockFrames, std::llround(lag.atStart))
                     : compareSliding(recording, track, start, kBlockFrames, lag);
}

bool matches(const Energies& e, const Lag& lag) {
    return e.match(kBlockFrames, lag.exact ? kMatchRatio : kSlidingMatchRatio);
}

float peakOf(const std::vector<float>& samples) {
    float peak = 0.0f;
    for (float s : samples) {
        peak = std::max(peak, std::fabs(s));
    }
    return peak;
}

// Whether recording frame i holds the track under lag (given at lagStart), sample by sample.
bool frameMatches(const Stereo& recording, const Stereo& track, long long i, const Lag& lag, long long lagStart) {
    const float tolerance = lag.exact ? 1e-4f : 1e-2f;
    float expected[2];
    if (lag.exact) {
        long long lagFrames = std::llround(lag.atStart);
        expected[0] = track.at(i - lagFrames, 0);
        expected[1] = track.at(i - lagFrames, 1);
    } else {
        trackAt(track, static_cast<double>(i) - lag.at(lagStart, i), expected[0], expected[1]);
    }
    return std::fabs(recording.at(i, 0) - expected[0]) < tolerance &&
           std::fabs(recording.at(i, 1) - expected[1]) < tolerance;
}

// A block that matched no part of the track as a whole, and the lag before it.
struct LostBlock {
    long long start;
    Lag before;
};

class Matcher {
public:
    Matcher(const Stereo& recording, const Stereo& track, int rateHz, RecordingMatch& m,
            const std::vector<long long>& lagJumps)
        : recording(recording), track(track), rateHz(rateHz), m(m), lagJumps(lagJumps) {}

    // Finds the first block that matches the track, within maxStart frames of its start.
    bool findStart(long long maxStart);
    // Follows the track block by block from the start to the recording's end.
    void follow();

private:
    bool matchBlock(long long start, Energies& e);
    Lag fitNear(long long start, long long found, Energies& e) const;
    void noteHeard(long long lastFrame, const Lag& lag, long long lagStart);
    void settleLost(const Lag* after, long long afterStart);

    const Stereo& recording;
    const Stereo& track;
    int rateHz;
    RecordingMatch& m;
    const std::vector<long long>& lagJumps;
    std::vector<long long> expectedLags;  // where each move put the lag, from the start's
    size_t nextMove = 0;
    Lag current;
    std::vector<LostBlock> lost;
};

bool Matcher::findStart(long long maxStart) {
    long long onset = 0;
    while (onset < recording.frameCount && silent(recording, onset, 1)) {
        ++onset;
    }
    // Other sounds (a reference click) may come first: the first block that matches.
    const long long lowLag = onset - maxStart;
    for (int tries = 0; tries < 64 && onset + kBlockFrames <= recording.frameCount; ++tries, onset += kBlockFrames) {
        if (silent(recording, onset, kBlockFrames)) {
            continue;
        }
        long long lag = bestLag(recording, track, onset, kBlockFrames, lowLag, onset, onset);
        bool found = compare(recording, track, onset, kBlockFrames, lag).match(kBlockFrames);
        if (!found) {
            // A track paced from its very start matches only between frames.
            Lag sliding = slidingLag(recording, track, onset, static_cast<double>(lag), 0.0);
            found = matches(compareSliding(recording, track, onset, kBlockFrames, sliding), sliding);
        }
        if (found) {
            m.found = true;
            m.segments.push_back({onset, lag});
            m.firstTrackFrame = onset - lag;
            current = Lag{static_cast<double>(lag), 0.0, true};
            long long expected = lag;
            for (long long move : lagJumps) {
                expected += move;
                expectedLags.push_back(expected);
            }
            return true;
        }
    }
    return false;
}

// The block at start under the whole lag found, or, where the player keeps pace with
// its clock there, a sliding lag fitted near it; e holds its energies.
Lag Matcher::fitNear(long long start, long long found, Energies& e) const {
    Lag lag{static_cast<double>(found), 0.0, true};
    e = compareUnder(recording, track, start, lag);
    if (!matches(e, lag)) {
        lag = slidingLag(recording, track, start, static_cast<double>(found), current.slope);
        e = compareSliding(recording, track, start, kBlockFrames, lag);
    }
    return lag;
}

// Matches the block at start under the current lag, a refitted sliding one or, past a
// dropout, a repeat or a move the caller made, a new lag; false, with current left as
// it was, if none fits.
bool Matcher::matchBlock(long long start, Energies& e) {
    e = compareUnder(recording, track, start, current);
    if (matches(e, current)) {
        return true;
    }
    // The player may have begun to slide the track, or slides it at a new pace.
    Lag sliding = slidingLag(recording, track, start, current.atStart, current.slope);
    e = compareSliding(recording, track, start, kBlockFrames, sliding);
    if (matches(e, sliding)) {
        current = sliding;
        return true;
    }
    // Dropouts push the track later, repeats too; skips pull it earlier.
    const long long whole = std::llround(current.atStart);
    Lag jumped = fitNear(start, bestLag(recording, track, start, kBlockFrames, whole - 4096, whole + rateHz, whole), e);
    // A seek or a pause moved it further. Moves come in order, and one may have left
    // too little to match (or none at all, two moves close together): the next few
    // are tried, each where the caller's clock says it put the track.
    for (size_t k = nextMove; !matches(e, jumped) && k < expectedLags.size() && k < nextMove + 3; ++k) {
        const long long near = expectedLags[k];
        jumped = fitNear(start, bestLag(recording, track, start, kBlockFrames, near - 2048, near + 2048, near), e);
    }
    if (!matches(e, jumped)) {
        return false;
    }
    // Whichever search found it, the moves up to the one it landed on are past.
    for (size_t k = nextMove; k < expectedLags.size() && k < nextMove + 3; ++k) {
        if (std::fabs(jumped.atStart - static_cast<double>(expectedLags[k])) <= 2048.0) {
            nextMove = k + 1;
        }
    }
    // A lag found again within a frame or two of where it was (a fit that failed
    // on this block's first try) is the same stretch of track, not a jump.
    const bool moved = std::fabs(jumped.atStart - current.atStart) >= kSameLagFrames;
    current = jumped;
    if (moved) {
        m.segments.push_back({start, std::llround(current.atStart)});
    }
    return true;
}

// Records recording frame lastFrame, heard under lag, as the last track frame heard.
void Matcher::noteHeard(long long lastFrame, const Lag& lag, long long lagStart) {
    double trackFrame = static_cast<double>(lastFrame) - lag.at(lagStart, lastFrame);
    if (trackFrame < track.frameCount) {
        m.lastTrackFrame = std::llround(trackFrame);
        m.lastRecordingFrame = lastFrame;
    }
}

// Counts the sounding frames of the lost blocks that are not the track: a lost block
// holds the track up to where it went wrong (under the lag before it) and again from
// where it came right (under after, the lag of the next block that matched, given at
// afterStart); a dropout or the end of play between them is silence, which is no
// unmatched frame. Whatever sounds in between is.
void Matcher::settleLost(const Lag* after, long long afterStart) {
    for (const LostBlock& block : lost) {
        long long first = block.start, end = block.start + kBlockFrames;
        while (first < end && !silent(recording, first, 1) &&
               frameMatches(recording, track, first, block.before, block.start)) {
            ++first;
        }
        if (first > block.start) {
            noteHeard(first - 1, block.before, block.start);
        }
        while (after != nullptr && end > first && !silent(recording, end - 1, 1) &&
               frameMatches(recording, track, end - 1, *after, afterStart)) {
            --end;
        }
        long long sounding = 0;
        for (long long i = first; i < end; ++i) {
            sounding += silent(recording, i, 1) ? 0 : 1;
        }
        if (sounding > 0) {
            m.unmatchedFrames += sounding;
            m.unmatchedSpans.push_back({first, end - first, sounding});
        }
    }
    lost.clear();
}

void Matcher::follow() {
    Energies total;
    for (long long start = m.segments[0].recordingFrame; start + kBlockFrames <= recording.frameCount;
         start += kBlockFrames) {
        if (silent(recording, start, kBlockFrames)) {
            continue;
        }
        Energies e;
        if (!matchBlock(start, e)) {
            lost.push_back({start, current});
            current.atStart += current.slope * kBlockFrames;
            continue;
        }
        settleLost(&current, start);
        total.residual += e.residual;
        total.signal += e.signal;
        total.recorded += e.recorded;
        m.blockLags.push_back({start, current.atStart});
        noteHeard(start + kBlockFrames - 1, current, start);
        m.driftFrames += current.slope * kBlockFrames;
        current.atStart += current.slope * kBlockFrames;
    }
    settleLost(nullptr, 0);
    m.residualDb = 10.0 * std::log10(std::max(total.residual, 1e-30) / std::max(total.signal, 1e-30));
    m.levelDb = 10.0 * std::log10(std::max(total.recorded, 1e-30) / std::max(total.signal, 1e-30));
}

}  // namespace

RecordingMatch matchRecording(const std::vector<float>& recordingSamples, const std::vector<float>& trackSamples,
                              int rateHz, double maxStartSeconds, const std::vector<long long>& lagJumps) {
    RecordingMatch m;
    const Stereo recording{recordingSamples.data(), static_cast<long long>(recordingSamples.size() / 2)};
    const Stereo track{trackSamples.data(), static_cast<long long>(trackSamples.size() / 2)};
    m.recordingPeak = peakOf(recordingSamples);
    m.trackPeak = peakOf(trackSamples);
    Matcher matcher(recording, track, rateHz, m, lagJumps);
    if (matcher.findStart(static_cast<long long>(maxStartSeconds * rateHz))) {
        matcher.follow();
    }
    return m;
}

double RecordingMatch::lagAt(long long recordingFrame) const {
    if (blockLags.empty()) {
        return segments.empty() ? 0.0 : static_cast<double>(segments[0].lagFrames);
    }
    auto after = std::upper_bound(blockLags.begin(), blockLags.end(), recordingFrame,
                                  [](long long frame, const std::pair<long long, double>& block) {
                                      return frame < block.first;
                                  });
    if (after == blockLags.begin()) {
        return after->second;
    }
    auto at = after - 1;
    if (after == blockLags.end() || after->first - at->first != kBlockFrames) {
        return at->second;
    }
    double share = static_cast<double>(recordingFrame - at->first) / kBlockFrames;
    return at->second + share * (after->second - at->second);
}
