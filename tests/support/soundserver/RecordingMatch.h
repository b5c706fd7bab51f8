// Finds a decoded track in a recording of what a sound server played, sample by
// sample: where it starts, every place where the recording leaves the track
// (a dropout, a repeated or a skipped block shows as a jump of the lag between
// them) and how loud the recording is against the track. Both are interleaved
// stereo floats at the same rate. The player may run the track a little fast or
// slow to keep pace with its clock: the lag then slides by a fraction of a frame
// per block, which is followed (through the player's own interpolator) and is no
// jump. Pure arithmetic; any thread.
#pragma once

#include <utility>
#include <vector>

struct RecordingSegment {
    long long recordingFrame = 0;  // first recording frame of the segment
    long long lagFrames = 0;       // recording frame - track frame within it
};

// Frames of the recording that sound yet are not the track: [recordingFrame,
// recordingFrame + frameCount) lies between the last frame that continues the track
// and the first that takes it up again; soundingFrames of them are not silence.
struct UnmatchedSpan {
    long long recordingFrame = 0;
    long long frameCount = 0;
    long long soundingFrames = 0;
};

struct RecordingMatch {
    bool found = false;
    std::vector<RecordingSegment> segments;  // one, unless the recording jumps
    long long firstTrackFrame = -1;          // first track frame the recording holds
    long long lastTrackFrame = -1;           // last track frame heard before silence
    long long lastRecordingFrame = -1;       // where it was heard in the recording
    // Sounding frames that match no part of the track. Silence is never counted: not
    // what follows the end of play, nor a dropout's gap (a jump, counted there).
    long long unmatchedFrames = 0;
    double residualDb = 0.0;                 // residual energy against signal energy, matched frames
    double levelDb = 0.0;                    // recording RMS against track RMS, matched frames
    double driftFrames = 0.0;                // how far the lag slid in all, jumps left out
    float recordingPeak = 0.0f;
    float trackPeak = 0.0f;

    std::vector<UnmatchedSpan> unmatchedSpans;  // where the unmatched frames lie

    // The lag at the start of each matched block, fractional where it slides.
    std::vector<std::pair<long long, double>> blockLags;

    // Places where the recording jumps in the track: dropouts and repeated blocks.
    int jumpCount() const { return segments.empty() ? 0 : static_cast<int>(segments.size()) - 1; }
    // The lag (recording frame - track position) at a recording frame, between blocks' lags.
    double lagAt(long long recordingFrame) const;
};

// Matches recording against track. The recording's first sounding frame must lie
// within the track's first maxStartSeconds (at rateHz). A player that seeks or pauses
// moves the lag further than a dropout does: lagJumps lists, in order, by about how
// much (in frames, to within 2048) each seek and each pause moved it, as the player's
// clock tells it: a jump from clock time a to b moves it by (a - b) x rate, a pause of
// d seconds by d x rate. Each move is looked for where the start's lag and the moves
// before it put the track, so that one move the matcher does not see does not lose
// the ones after it.
RecordingMatch matchRecording(const std::vector<float>& recording, const std::vector<float>& track, int rateHz,
                              double maxStartSeconds = 2.0, const std::vector<long long>& lagJumps = {});
