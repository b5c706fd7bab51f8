// The real demo, headless, over its whole 60-second timeline, and cut short
// without its soundtrack.
#include "tests/e2e/RunProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

const char* kSoundLines =
    "Debug: Detected MP3-format.\n"
    "Debug: Starting INIT with SOUND\n"
    "Debug: Started soundsystem with SOUND\n"
    "Debug: Loaded song with SOUND\n";

}  // namespace

// One full 60-second run checks both the whole timeline and the missing files:
// the meshes and textures that no scene draws are not needed to finish.
TEST(MorvelRun, playsTheWholeTimelineHeadlessEvenWithoutItsUnusedAssetsAndExitsZero) {
    const std::string folder = freshContentCopy();
    std::remove((folder + "/data/obj/chamferbox.ebr").c_str());
    std::remove((folder + "/data/tex/lol.png").c_str());
    ProcessResult run = runIn(folder, MORVEL_BINARY);
    std::system(("rm -rf '" + folder + "'").c_str());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kSoundLines);
    // Headless, the message box goes to standard error; a missing PNG says nothing.
    const std::string missingMesh = "data/obj/chamferbox.ebr: Error: .ebr file not found";
    const size_t at = run.err.find(missingMesh);
    ASSERT_NE(at, std::string::npos) << run.err;
    std::string rest = run.err;
    rest.erase(at, missingMesh.size());
    EXPECT_EQ(rest.find("Error"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("lol.png"), std::string::npos) << run.err;
}

TEST(MorvelRun, withoutItsSoundtrackTheDemoStillPlaysInSilence) {
    const std::string folder = freshContentCopy();
    std::remove((folder + "/data/sound/tamokrelu.mp3").c_str());
    ProcessResult run = runIn(folder, "timeout --preserve-status -s TERM 8 " MORVEL_BINARY);
    std::system(("rm -rf '" + folder + "'").c_str());
    // SIGTERM ends the run like Escape: the window's close result, 1.
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out,
              "Debug: Detected MP3-format.\n"
              "Debug: Starting INIT with SOUND\n"
              "Debug: Started soundsystem with SOUND\n"
              "Debug: Couldn't load song with SOUND: File not found\n");
}
