// The sound system playing the generated soundtrack through real sound servers
// started here: PulseAudio and PipeWire (through their PulseAudio interface, and
// through ALSA's PulseAudio plugin), recorded at the null sink's monitor and
// compared sample by sample with the decoded track.
#include "platform/FrameTimer.h"
#include "sound/SoundSystem.h"
#include "sound/TrackAnalysis.h"
#include "tests/servers/ServerTestSupport.h"
#include "tools/soundserver/RecordingMatch.h"
#include "tools/soundserver/SoundServer.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

// Plays the soundtrack for playSeconds like the demo does (clock, then play, then a
// spectrum every frame), checking that each spectrum is the offline one of the frames
// heard at that clock time. The recording of the null sink's monitor.
std::vector<float> playAndRecord(SoundServer& server, const char* driver, double playSeconds) {
    const TrackAnalysis& offline = track();
    server.applyToThisProcess();
    setenv("SDL_AUDIODRIVER", driver, 1);
    EXPECT_TRUE(server.startRecording());
    SoundSystem sound(kTrackPath);
    EXPECT_STREQ(AUDIO_GetDriverName(), driver);
    FrameTimer timer;
    timer.start();
    sound.play();
    if (getenv("SOUND_DUMP")) fprintf(stderr, "play: mixed %lld heard %lld start %lld\n", AUDIO_GetMixedFrames(), AUDIO_GetHeardFrame(), AUDIO_GetChannelStartFrame(0));
    SpectrumFollower follower(offline);
    float lastPrint = 0;
    for (float t = timer.now(); t < playSeconds; t = timer.now()) {
        if (getenv("SOUND_DUMP") && t - lastPrint > 0.25f) { lastPrint = t; fprintf(stderr, "t %.3f mixed %lld heard %lld track %.3f\n", t, AUDIO_GetMixedFrames(), AUDIO_GetHeardFrame(), (AUDIO_GetHeardFrame() - AUDIO_GetChannelStartFrame(0))/32000.0); }
        follower.check(sound.spectrum(), t);
        SDL_Delay(5);
    }
    sound.shutdown();
    SDL_Delay(100);
    EXPECT_LE(follower.worstLagMs(), kSpectrumToleranceMs) << driver;
    std::vector<float> rec = server.stopRecording();
    if (getenv("SOUND_DUMP")) { FILE* f = fopen((std::string("/tmp/sound-dump-") + server.name() + driver + ".raw").c_str(), "wb"); fwrite(rec.data(), 4, rec.size(), f); fclose(f); f = fopen("/tmp/sound-dump-track.raw", "wb"); fwrite(track().pcm().frames.data(), 4, 32000*2*5, f); fclose(f); }
    return rec;
}

void expectTrackPlayedWhole(const std::vector<float>& recording, double playSeconds, double residualLimitDb) {
    RecordingMatch match = matchRecording(recording, track().pcm().frames, 32000);
    ASSERT_TRUE(match.found);
    EXPECT_EQ(match.jumpCount(), 0);
    EXPECT_LT(match.residualDb, residualLimitDb);
    EXPECT_NEAR(match.levelDb, 0.0, 0.05);
    EXPECT_LE(match.recordingPeak, match.trackPeak + 1e-3f);
    // Playback starts in the track only as far as the output delay, and runs to the end of play.
    EXPECT_LT(match.firstTrackFrame, 32000 * 0.2);
    // What was mixed but not yet heard at the end may still play out.
    EXPECT_GT(match.lastTrackFrame / 32000.0, playSeconds - 0.05);
    EXPECT_LT(match.lastTrackFrame / 32000.0, playSeconds + 0.25);
    EXPECT_LE(match.unmatchedFrames, 2048);
}

}  // namespace

TEST(ServerPlayback, theTrackIsHeardSampleExactThroughEachServerAndDriver) {
    const struct {
        SoundServer::Kind kind;
        const char* driver;
    } cases[] = {
        {SoundServer::Kind::PulseAudio, "pulseaudio"},
        {SoundServer::Kind::PulseAudio, "alsa"},
        {SoundServer::Kind::PipeWire, "pulseaudio"},
    };
    for (const auto& c : cases) {
        SoundServer server;
        ASSERT_TRUE(server.start(c.kind)) << server.why();
        SCOPED_TRACE(std::string(server.name()) + " through " + c.driver);
        expectTrackPlayedWhole(playAndRecord(server, c.driver, 3.0), 3.0, -60.0);
    }
}

TEST(ServerPlayback, aDeviceRefusingFloatGetsWhatItOffersAndStillPlaysTheTrack) {
    SoundServer server;
    ASSERT_TRUE(server.start(SoundServer::Kind::PulseAudio)) << server.why();
    // ALSA's default device here takes 16-bit integers only.
    writeFile(server.folder() + "/home/.asoundrc",
              "pcm.!default { type linear slave { pcm \"pulse\" format S16_LE } }\n");
    // 16-bit output adds its rounding noise, about 90 dB under the music.
    expectTrackPlayedWhole(playAndRecord(server, "alsa", 2.0), 2.0, -70.0);
}

TEST(ServerFaults, aServerKilledMidRunLeavesTheClockAndSpectrumGoingInSilence) {
    const TrackAnalysis& offline = track();
    SoundServer server;
    ASSERT_TRUE(server.start(SoundServer::Kind::PulseAudio)) << server.why();
    server.applyToThisProcess();
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    SoundSystem sound(kTrackPath);
    ASSERT_STREQ(AUDIO_GetDriverName(), "pulseaudio");
    FrameTimer timer;
    timer.start();
    sound.play();
    SpectrumFollower follower(offline);
    bool killed = false;
    float slowestFrameMs = 0.0f, last = 0.0f;
    for (float t = timer.now(); t < 4.0f; t = timer.now()) {
        if (!killed && t > 1.5f) {
            server.killServer();
            killed = true;
        }
        follower.check(sound.spectrum(), t);
        slowestFrameMs = std::max(slowestFrameMs, (t - last) * 1000.0f);
        last = t;
        SDL_Delay(5);
    }
    EXPECT_LT(slowestFrameMs, 200.0f);  // nothing in the frame loop waits for the dead server
    EXPECT_LE(follower.worstLagMs(), kSpectrumToleranceMs);
    EXPECT_GT(follower.loudestAfter(2.0f), 0.05f);  // the music's spectrum, not zeros
    Uint64 before = SDL_GetTicks64();
    sound.shutdown();
    EXPECT_LT(SDL_GetTicks64() - before, 2000u);
}

TEST(ServerFaults, withNoServerAtAllTheDummyDriverKeepsTheTimeline) {
    const TrackAnalysis& offline = track();
    SoundServer server;  // stopped at once: its folder holds no server
    ASSERT_TRUE(server.start(SoundServer::Kind::PulseAudio)) << server.why();
    server.stop();
    server.applyToThisProcess();
    unsetenv("SDL_AUDIODRIVER");
    SoundSystem sound(kTrackPath);
    EXPECT_STREQ(AUDIO_GetDriverName(), "dummy");
    FrameTimer timer;
    timer.start();
    sound.play();
    SpectrumFollower follower(offline);
    for (float t = timer.now(); t < 1.5f; t = timer.now()) {
        follower.check(sound.spectrum(), t);
        SDL_Delay(5);
    }
    EXPECT_LE(follower.worstLagMs(), kSpectrumToleranceMs);
    EXPECT_GT(follower.loudestAfter(1.0f), 0.05f);
    sound.shutdown();
}
