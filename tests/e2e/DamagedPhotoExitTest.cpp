// A damaged photograph ends the demo inside the JPEG decoder (libjpeg's error
// handler calls exit(1)) while the sound device is open and its thread mixing:
// the process must still end with status 1, every time, never with a crash.
#include "tests/e2e/RunProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Runs the demo runCount times in folder; the statuses other than 1, as text.
std::string unexpectedStatuses(const std::string& folder, int runCount) {
    std::string seen;
    for (int run = 0; run < runCount; ++run) {
        ProcessResult result = runIn(folder, "timeout -s KILL 20 " MORVEL_BINARY);
        if (result.status != 1) {
            seen += "run " + std::to_string(run) + ": status " + std::to_string(result.status) + "\n";
        }
    }
    return seen;
}

// A content copy whose soundtrack is only its first seconds, so that each run is short.
std::string contentWithShortSoundtrack() {
    const std::string folder = freshContentCopy();
    std::system(("truncate -s 48K '" + folder + "/data/sound/tamokrelu.mp3'").c_str());
    return folder;
}

}  // namespace

TEST(DamagedPhotoExit, endsWithStatusOneEveryTimeWhileTheSoundIsPlaying) {
    const std::string folder = contentWithShortSoundtrack();
    // A PNG under the photograph's name is damaged JPEG data.
    std::system(("cp '" + folder + "/data/tex/grid.png' '" + folder + "/data/tex/turtle2.jpg'").c_str());
    std::string unexpected = unexpectedStatuses(folder, 50);
    std::system(("rm -rf '" + folder + "'").c_str());
    EXPECT_EQ(unexpected, "");
}
