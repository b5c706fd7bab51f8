#include "sound/audio/HeardClock.h"

#include <algorithm>
#include <cmath>

const HeardClock::Settings HeardClock::kServerReadings = {300000000, 4000000000, 250000000, 3, 0.003, 4, 0.0, 0.0};
const HeardClock::Settings HeardClock::kBlockRequests = {2000000000, 16000000000, 4000000000, 24, 0.015, 8, 6.0, 0.001};

HeardClock::HeardClock(const Settings& settings) : tuning(settings) {
    tuning.outliersBeforeJump = std::clamp(tuning.outliersBeforeJump, 1, kMaxOutliersInRow);
}

void HeardClock::observe(long long atNs, double heardFrame) {
    if (firstNs < 0) {
        firstNs = atNs;
    }
    if (atNs - firstNs < tuning.settleNs) {
        return;
    }
    double offLine = heardFrame - heardFrameAt(atNs);
    const double jumpFrames = tuning.outlierSeconds * rate;
    if (fitted && std::fabs(offLine) > jumpFrames) {
        // Outliers that do not agree with the ones before are glitches of their own.
        if (outliersInRow > 0 &&
            std::fabs(offLine - (outliers[0].frame - heardFrameAt(outliers[0].atNs))) > jumpFrames) {
            outliersInRow = 0;
        }
        outliers[outliersInRow] = {atNs, heardFrame, false};
        if (++outliersInRow < tuning.outliersBeforeJump) {
            return;
        }
        followJump();
        return;
    }
    outliersInRow = 0;
    if (fitted && std::fabs(offLine) > outlierFrames()) {
        // Off a steady line by less than a jump: a request made late, or a server
        // that asks at another point of its cycle for a few seconds while what it
        // plays goes on as before. Where none has kept to the line for half the
        // window, the output itself has moved: the line is fitted afresh.
        if (atNs - lastAddedNs < tuning.windowNs / 2) {
            return;
        }
        count = 0;
        newest = -1;
    }
    add({atNs, heardFrame, false});
    refit();
}

// The output has moved (a dropout, or a server that now holds more or less): its
// pace is what it was, so the fit keeps it and moves by as much as the outliers
// agree it moved, rather than waiting seconds for a new fit while what is heard
// stands that far from where the fit places it.
void HeardClock::followJump() {
    double jump = 0.0;
    for (int i = 0; i < outliersInRow; ++i) {
        jump += outliers[i].frame - heardFrameAt(outliers[i].atNs);
    }
    jump /= outliersInRow;
    for (int i = 0; i < count; ++i) {
        at(i).frame += jump;
    }
    for (int i = 0; i < outliersInRow; ++i) {
        add(outliers[i]);
    }
    outliersInRow = 0;
    refit();
}

void HeardClock::add(const Observation& observation) {
    lastAddedNs = observation.atNs;
    newest = (newest + 1) % kCapacity;
    observations[newest] = observation;
    count = count < kCapacity ? count + 1 : kCapacity;
}

void HeardClock::reset() {
    count = 0;
    newest = -1;
    firstNs = -1;
    outliersInRow = 0;
    fitted = false;
}

bool HeardClock::ready() const {
    return fitted;
}

double HeardClock::outlierFrames() const {
    double limit = tuning.outlierSeconds * rate;
    if (tuning.spreadsToOutlier > 0.0) {
        limit = std::clamp(tuning.spreadsToOutlier * spreadFrames, tuning.minOutlierSeconds * rate, limit);
    }
    return limit;
}

double HeardClock::heardFrameAt(long long atNs) const {
    return anchorFrame + (atNs - anchorNs) * 1e-9 * rate;
}

// Least squares over the observations of the last kWindowNs, centred on their means
// so that large frame counts and clock readings lose no precision. Where the spread
// is watched, observations far off the first line are left out for good and the
// line is fitted again without them.
void HeardClock::refit() {
    int inWindow = 0;
    while (inWindow < count && observations[newest].atNs - at(inWindow).atNs <= tuning.windowNs) {
        ++inWindow;
    }
    fitted = fitLine(inWindow);
    if (!fitted || tuning.spreadsToOutlier <= 0.0) {
        return;
    }
    int kept = 0;
    for (int i = 0; i < inWindow; ++i) {
        if (!at(i).leftOut) {
            distances[kept++] = std::fabs(at(i).frame - heardFrameAt(at(i).atNs));
        }
    }
    auto middle = distances.begin() + kept / 2;
    std::nth_element(distances.begin(), middle, distances.begin() + kept);
    spreadFrames = *middle;
    double limit = outlierFrames();
    bool leftOut = false;
    for (int i = 0; i < inWindow; ++i) {
        Observation& o = at(i);
        if (!o.leftOut && std::fabs(o.frame - heardFrameAt(o.atNs)) > limit) {
            o.leftOut = leftOut = true;
        }
    }
    if (leftOut) {
        fitted = fitLine(inWindow);
    }
}

bool HeardClock::fitLine(int inWindow) {
    const Observation& last = observations[newest];
    int used = 0;
    double meanSeconds = 0.0, meanFrames = 0.0;
    for (int i = 0; i < inWindow; ++i) {
        const Observation& o = at(i);
        if (!o.leftOut) {
            meanSeconds += (o.atNs - last.atNs) * 1e-9;
            meanFrames += o.frame - last.frame;
            ++used;
        }
    }
    if (used == 0) {
        return false;
    }
    meanSeconds /= used;
    meanFrames /= used;
    double sxx = 0.0, sxy = 0.0;
    long long earliestNs = last.atNs, latestNs = -1;
    for (int i = 0; i < inWindow; ++i) {
        const Observation& o = at(i);
        if (o.leftOut) {
            continue;
        }
        double x = (o.atNs - last.atNs) * 1e-9 - meanSeconds;
        double y = o.frame - last.frame - meanFrames;
        sxx += x * x;
        sxy += x * y;
        earliestNs = o.atNs;
        latestNs = std::max(latestNs, o.atNs);
    }
    bool enough = used >= tuning.readyCount && latestNs - earliestNs >= tuning.readySpanNs && sxx > 0.0;
    if (!enough) {
        return false;
    }
    rate = sxy / sxx;
    // The line passes through the means; anchor it at the newest observation's time.
    anchorNs = last.atNs;
    anchorFrame = last.frame + meanFrames - rate * meanSeconds;
    return rate > 0.0;
}
