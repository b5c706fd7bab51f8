// The recording check itself: a track played at a slightly adjusted pace is the track
// with a sliding lag, while a dropout in it is still a jump.
#include "sound/audio/SincInterpolator.h"
#include "tests/support/soundserver/RecordingMatch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kRateHz = 32000;

// Seconds of something like music: a few partials whose levels wander, and noise (a
// cymbal's worth of it where noiseLevel is 0.1).
std::vector<float> musicLike(int seconds = 4, double noiseLevel = 0.02) {
    const int frameCount = seconds * kRateHz;
    std::vector<float> frames(2 * static_cast<size_t>(frameCount));
    unsigned noise = 12345;
    for (int i = 0; i < frameCount; ++i) {
        double t = static_cast<double>(i) / kRateHz;
        double swell = 0.5 + 0.5 * std::sin(2 * M_PI * 0.7 * t);
        double value = 0.3 * std::sin(2 * M_PI * 110 * t) + 0.2 * swell * std::sin(2 * M_PI * 660 * t) +
                       0.1 * std::sin(2 * M_PI * 2500 * t + std::sin(2 * M_PI * 3 * t));
        noise = noise * 1664525u + 1013904223u;
        value += noiseLevel * ((noise >> 8) / 16777216.0 - 0.5);
        frames[2 * i] = static_cast<float>(value);
        frames[2 * i + 1] = static_cast<float>(0.8 * value);
    }
    return frames;
}

// The track as a player that steps stepFrames track frames per output frame plays it,
// after leadFrames of silence; with gapFrames of silence at output frame gapAt, after
// which the track goes on where it was, as after a server ran dry.
std::vector<float> played(const std::vector<float>& track, double stepFrames, int leadFrames, int gapAt = -1,
                          int gapFrames = 0) {
    long long trackFrames = static_cast<long long>(track.size() / 2);
    std::vector<float> recording(2 * static_cast<size_t>(leadFrames), 0.0f);
    double position = 0.0;
    for (int out = 0; position < trackFrames - 64; ++out) {
        float left = 0.0f, right = 0.0f;
        bool dry = out >= gapAt && out < gapAt + gapFrames;
        if (!dry) {
            double whole = std::floor(position);
            SincInterpolator::read(track.data(), trackFrames, static_cast<long long>(whole), position - whole, left,
                                   right);
            position += stepFrames;
        }
        recording.push_back(left);
        recording.push_back(right);
    }
    return recording;
}

// The track as a player whose pace changes every 4096 frames (a device block) plays it:
// stepsPpm[i] is the pace of block i, over and over, as the mixer steers it to the clock.
std::vector<float> playedSteering(const std::vector<float>& track, const std::vector<double>& stepsPpm,
                                  int leadFrames) {
    long long trackFrames = static_cast<long long>(track.size() / 2);
    std::vector<float> recording(2 * static_cast<size_t>(leadFrames), 0.0f);
    double position = 0.0;
    for (int out = 0; position < trackFrames - 64; ++out) {
        double whole = std::floor(position);
        float left = 0.0f, right = 0.0f;
        SincInterpolator::read(track.data(), trackFrames, static_cast<long long>(whole), position - whole, left, right);
        recording.push_back(left);
        recording.push_back(right);
        position += 1.0 + stepsPpm[(out / 4096) % stepsPpm.size()] * 1e-6;
    }
    return recording;
}

}  // namespace

TEST(RecordingMatch, followsATrackPlayedAFewHundredPpmFastOrSlowWithoutCallingItAJump) {
    const std::vector<float> track = musicLike();
    for (double ppm : {-400.0, 600.0}) {
        double step = 1.0 + ppm * 1e-6;
        RecordingMatch match = matchRecording(played(track, step, 3000), track, kRateHz);
        ASSERT_TRUE(match.found) << ppm;
        EXPECT_EQ(match.jumpCount(), 0) << ppm;
        EXPECT_EQ(match.unmatchedFrames, 0) << ppm;
        EXPECT_LT(match.residualDb, -40.0) << ppm;
        EXPECT_NEAR(match.levelDb, 0.0, 0.05) << ppm;
        // A track played fast falls ever further behind the recording's frames: its lag
        // shrinks by the excess of each frame, about 50 frames over the 4 s at 400 ppm.
        double recordingFrames = static_cast<double>(track.size() / 2) / step;
        EXPECT_NEAR(match.driftFrames, recordingFrames * (1.0 - step), 2.0) << ppm;
        EXPECT_NEAR(match.lagAt(3000), 3000.0, 1.0) << ppm;
    }
}

TEST(RecordingMatch, findsADropoutInAPacedTrack) {
    const std::vector<float> track = musicLike();
    RecordingMatch match = matchRecording(played(track, 1.0 - 400e-6, 3000, 2 * kRateHz, 160), track, kRateHz);
    ASSERT_TRUE(match.found);
    EXPECT_EQ(match.jumpCount(), 1);
    ASSERT_EQ(match.segments.size(), 2u);
    // The track resumes where it was, 160 frames later in the recording.
    EXPECT_NEAR(match.segments[1].recordingFrame, 3000 + 2 * kRateHz, 1024 + 160);
    // The lag jumps by the gap, on top of what it slid until then (400 ppm).
    double slid = 400e-6 * static_cast<double>(match.segments[1].recordingFrame - 3000);
    EXPECT_NEAR(match.segments[1].lagFrames - match.segments[0].lagFrames, 160 + slid, 3.0);
    // The gap is silence, and the track on either side of it is the track.
    EXPECT_EQ(match.unmatchedFrames, 0);
}

TEST(RecordingMatch, followsAPaceSteeredBlockByBlockAtTheMixersLimit) {
    // The mixer may play up to 0.2 % fast or slow, and changes its pace with each block.
    // Loud high frequencies make the fitted lag count: at 10 kHz a tenth of a frame is 30 dB.
    const std::vector<float> track = musicLike(12, 0.4);
    RecordingMatch match =
        matchRecording(playedSteering(track, {2000, 1900, 2000, -2000, -1800, -2000, 1000, 2000}, 3000), track, kRateHz);
    ASSERT_TRUE(match.found);
    EXPECT_EQ(match.jumpCount(), 0);
    EXPECT_EQ(match.unmatchedFrames, 0);
    EXPECT_LT(match.residualDb, -40.0);
}

TEST(RecordingMatch, countsTheSoundingFramesThatAreNotTheTrackAndNotTheSilenceAfterTheEnd) {
    const std::vector<float> track = musicLike();
    std::vector<float> recording = played(track, 1.0 - 400e-6, 3000);
    // 300 frames of loud noise in place of the music, and play ending 3.2 s into the
    // track, in the middle of a matcher's block: from there on, silence.
    const int noiseAt = 3000 + 2 * kRateHz + 100, endAt = 3000 + 3 * kRateHz + 6400 + 517;
    unsigned noise = 777;
    for (int i = 2 * noiseAt; i < 2 * (noiseAt + 300); ++i) {
        noise = noise * 1664525u + 1013904223u;
        recording[i] = 0.5f * static_cast<float>((noise >> 8) / 16777216.0 - 0.5);
    }
    std::fill(recording.begin() + 2 * endAt, recording.end(), 0.0f);
    RecordingMatch match = matchRecording(recording, track, kRateHz);
    ASSERT_TRUE(match.found);
    EXPECT_EQ(match.jumpCount(), 0);
    EXPECT_EQ(match.unmatchedFrames, 300);
    ASSERT_EQ(match.unmatchedSpans.size(), 1u);
    EXPECT_EQ(match.unmatchedSpans[0].recordingFrame, noiseAt);
    EXPECT_EQ(match.unmatchedSpans[0].soundingFrames, 300);
    // The last frame heard is the one before the end, at the track frame the pace gave it.
    EXPECT_EQ(match.lastRecordingFrame, endAt - 1);
    EXPECT_NEAR(match.lastTrackFrame, (endAt - 1 - 3000) * (1.0 - 400e-6), 1.0);
}

namespace {

// A stretch of what a rehearsing player plays: the track from fromSeconds at its
// pace for frameCount frames, or silence (a pause).
struct Stretch {
    double fromSeconds;
    int frameCount;
    bool silent;
};

std::vector<float> playedInStretches(const std::vector<float>& track, const std::vector<Stretch>& stretches,
                                     double stepFrames, int leadFrames) {
    long long trackFrames = static_cast<long long>(track.size() / 2);
    std::vector<float> recording(2 * static_cast<size_t>(leadFrames), 0.0f);
    for (const Stretch& stretch : stretches) {
        double position = stretch.fromSeconds * kRateHz;
        for (int i = 0; i < stretch.frameCount; ++i, position += stepFrames) {
            float left = 0.0f, right = 0.0f;
            if (!stretch.silent) {
                double whole = std::floor(position);
                SincInterpolator::read(track.data(), trackFrames, static_cast<long long>(whole), position - whole,
                                       left, right);
            }
            recording.push_back(left);
            recording.push_back(right);
        }
    }
    return recording;
}

}  // namespace

TEST(RecordingMatch, followsEverySeekAndPauseEvenPastOneTooShortToMatch) {
    const std::vector<float> track = musicLike(12);
    const double step = 1.0 - 300e-6;  // paced, as after each move
    const int second = kRateHz;
    // Jumps to 6 s and at once on to 2 s (too short to match), a pause of 0.6 s
    // resumed where it stopped, a jump back to 9.5 s and one to 0.5 s.
    const double pausedAt = 2.0 + second * step / kRateHz;
    const double leftAt9 = 9.5 + second * step / kRateHz;
    const std::vector<Stretch> stretches = {
        {0.0, second, false},          {6.0, 40, false},    {2.0, second, false},   {0.0, 19200, true},
        {pausedAt, second, false},     {9.5, second, false}, {0.5, second, false},
    };
    // What the player's clock says each move did to the lag: a jump from clock time a
    // to b moves it by (a - b) x rate, a pause by its length; off by a few ms, as the
    // clock and the sound are.
    const double clockAt[] = {1.0, 6.0 + 40.0 / kRateHz, pausedAt, pausedAt + second * step / kRateHz, leftAt9};
    const std::vector<long long> moves = {
        std::llround((clockAt[0] - 6.0) * kRateHz) + 50,  std::llround((clockAt[1] - 2.0) * kRateHz) - 30,
        19200 + 70,                                       std::llround((clockAt[3] - 9.5) * kRateHz) + 20,
        std::llround((clockAt[4] - 0.5) * kRateHz) - 60,
    };
    const int lead = 3000;
    RecordingMatch match = matchRecording(playedInStretches(track, stretches, step, lead), track, kRateHz, 2.0, moves);
    ASSERT_TRUE(match.found);
    // Where each stretch begins in the recording, and the lag the track has there.
    std::vector<std::pair<long long, double>> expected;
    long long at = lead;
    for (const Stretch& stretch : stretches) {
        if (!stretch.silent && stretch.frameCount > 1024) {
            expected.push_back({at, at - stretch.fromSeconds * kRateHz});
        }
        at += stretch.frameCount;
    }
    ASSERT_EQ(match.segments.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        // Found within the first whole block of the stretch, at its lag.
        EXPECT_NEAR(match.segments[i].recordingFrame, expected[i].first, 2048) << "stretch " << i;
        const long long blockStart = match.segments[i].recordingFrame;
        EXPECT_NEAR(match.lagAt(blockStart), expected[i].second + (blockStart - expected[i].first) * (1.0 - step), 1.0)
            << "stretch " << i;
    }
}
