// The real executables when something outside them goes wrong: no GL driver,
// a reader that closes the pipe, a termination signal at an awkward moment.
#include "tests/e2e/RunProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace {

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

double secondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(StopAndFailure, withoutAGLDriverTheDemoSaysSoAndEndsAtOnce) {
    ProcessResult run;
    const double seconds = secondsOf([&] {
        run = runIn(MORVEL_E2E_ROOT, "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json " MORVEL_BINARY);
    });
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("GLWindow::GLWindow: Unable to find a suitable pixelformat"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("morvel: No OpenGL context could be made"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");  // nothing loaded, no sound opened
    EXPECT_LT(seconds, 10.0);
}

TEST(StopAndFailure, aReaderThatGoesAwayDoesNotEndTheRun) {
    // The debug lines go to a pipe whose reader leaves after one byte; the run
    // goes on until the signal asks it to stop, through the stop path.
    const std::string command = "sh -c '(timeout --preserve-status -s TERM 5 " MORVEL_BINARY
                                "; echo \"morvel status $?\" >&2) | head -c 1 >/dev/null'";
    ProcessResult run = runIn(MORVEL_E2E_ROOT, command);
    EXPECT_NE(run.err.find("morvel status 1\n"), std::string::npos) << run.err;
}

TEST(StopAndFailure, aSignalWhileLoadingEndsTheRunWhenLoadingIsDone) {
    ProcessResult run;
    const double seconds =
        secondsOf([&] { run = runIn(MORVEL_E2E_ROOT, "timeout --preserve-status -s INT 0.3 " MORVEL_BINARY); });
    // Ended like Escape (the window's close result), not killed, and long
    // before the timeline's 60 s.
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_LT(seconds, 30.0);
}

TEST(StopAndFailure, anInterruptedCaptureLeavesNoOutputAndSaysItWasInterrupted) {
    char pattern[] = "/tmp/morvel-stop-test-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    const std::string still = folder + "/still.png";
    const std::string movie = folder + "/movie.mp4";
    ProcessResult stillRun = runIn(MORVEL_E2E_ROOT, "timeout --preserve-status -s TERM 0.5 " MORVEL_CAPTURE_BINARY
                                                    " --at 30 --png '" + still + "'");
    EXPECT_EQ(stillRun.status, 128 + 15) << stillRun.err;
    EXPECT_NE(stillRun.err.find("interrupted"), std::string::npos) << stillRun.err;
    EXPECT_FALSE(exists(still));
    EXPECT_FALSE(exists(still + ".partial"));

    ProcessResult movieRun = runIn(MORVEL_E2E_ROOT, "timeout --preserve-status -s INT 4 " MORVEL_CAPTURE_BINARY
                                                    " --fps 30 --from 0 --to 60 --out '" + movie + "'");
    EXPECT_EQ(movieRun.status, 128 + 2) << movieRun.err;
    EXPECT_FALSE(exists(movie));
    EXPECT_FALSE(exists(movie + ".partial.mp4"));
    std::system(("rm -rf '" + folder + "'").c_str());
}
