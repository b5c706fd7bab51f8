// The order of the sound system's calls into the audio library, seen through a
// stand-in that records them: what a listener hears first depends on it.
#include "sound/SoundSystem.h"
#include "tests/soundcalls/RecordingAudioLibrary.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> callsOf(const char* path, bool play) {
    recordedAudioCalls().clear();
    testing::internal::CaptureStdout();  // the debug lines have their own tests
    SoundSystem sound(path);
    if (play) {
        sound.play();
    }
    sound.shutdown();
    testing::internal::GetCapturedStdout();
    return recordedAudioCalls();
}

}  // namespace

TEST(SoundSystemCalls, aSampleStartsBeforeTheFftUnitIsSwitchedOn) {
    const std::vector<std::string> expected = {"init", "sample load", "play sample", "fft on", "free sample", "close"};
    EXPECT_EQ(callsOf("track.mp3", true), expected);
}

TEST(SoundSystemCalls, aModulePlaysWithoutTheFftUnit) {
    const std::vector<std::string> expected = {"init", "song load", "play song", "free song", "close"};
    EXPECT_EQ(callsOf("track.s3m", true), expected);
}

TEST(SoundSystemCalls, nothingPlaysOrSwitchesOnUntilPlayIsCalled) {
    const std::vector<std::string> expected = {"init", "sample load", "free sample", "close"};
    EXPECT_EQ(callsOf("track.ogg", false), expected);
}
