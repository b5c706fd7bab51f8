// The demo's size options through the real binary: on a virtual display of a
// big screen's size --native draws at the largest 4:3 size it holds and plays
// through; a malformed option is a usage message and status 2.
#include "tests/e2e/RunProcess.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// morvel with args on a fresh virtual display of the given size, stopped by
// SIGTERM after stopAfterSeconds when that is given.
std::string onDisplay(const std::string& screen, const std::string& args, int stopAfterSeconds = 0) {
    const std::string stop =
        stopAfterSeconds > 0 ? "timeout --preserve-status -s TERM " + std::to_string(stopAfterSeconds) + " " : "";
    return "env -u SDL_VIDEODRIVER xvfb-run -a -s '-screen 0 " + screen + "x24 -nolisten tcp' " + stop + MORVEL_BINARY " " + args;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(CanvasSizeRun, nativeOnAFullHdDisplayPlaysTheWholeTimelineAt1440x1080) {
    const ProcessResult run = runIn(MORVEL_E2E_ROOT, onDisplay("1920x1080", "--native"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.err, "morvel: drawing at 1440x1080, the largest 4:3 size on this 1920x1080 display"))
        << run.err;
    EXPECT_FALSE(contains(run.err, "canvas")) << run.err;  // the off-screen canvas was made
    EXPECT_TRUE(contains(run.out, "Debug: Loaded song with SOUND")) << run.out;
}

// A 4K frame costs llvmpipe several times a full-HD one; the run is stopped
// after a few seconds of drawing, which ends it the way Escape does.
TEST(CanvasSizeRun, nativeOnA4kDisplayDrawsAt2880x2160) {
    const ProcessResult run =
        runIn(MORVEL_E2E_ROOT, onDisplay("3840x2160", "--native", 12));
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(contains(run.err, "morvel: drawing at 2880x2160, the largest 4:3 size on this 3840x2160 display"))
        << run.err;
    EXPECT_FALSE(contains(run.err, "canvas")) << run.err;
}

TEST(CanvasSizeRun, badOptionsGiveTheUsageAndStatusTwoWithoutOpeningAWindow) {
    for (const std::string args : {"--size 800", "--size 64x48", "--size 1440x1080x", "--native --size 800x600",
                                   "--fullscreen", "--size"}) {
        const ProcessResult run = runIn(MORVEL_E2E_ROOT, MORVEL_BINARY " " + args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_TRUE(contains(run.err, "usage: morvel")) << args << ": " << run.err;
        EXPECT_EQ(run.out, "") << args;
    }
    const ProcessResult help = runIn(MORVEL_E2E_ROOT, MORVEL_BINARY " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(contains(help.out, "--native")) << help.out;
}
