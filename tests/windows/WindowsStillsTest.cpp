// Frames of the Windows build against the native build's: the same moments
// drawn by the Windows capture tool under Wine (WGL reaching Mesa's llvmpipe)
// and by the native capture tool (EGL on the same Mesa), written as PNGs into
// the release's folder, whose name has a space and letters outside ASCII.
#include "tests/support/PngImage.h"
#include "tests/windows/WindowsRelease.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using png_test::Image;
using png_test::readPng;

struct Difference {
    double meanLevels = 0.0;
    double shareWithin4 = 0.0;
};

Difference compare(const Image& a, const Image& b) {
    Difference difference;
    long long total = 0;
    size_t within = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3) {
        int largest = 0;
        for (size_t c = 0; c < 3; ++c) {
            const int d = std::abs(int(a.rgb[i + c]) - int(b.rgb[i + c]));
            total += d;
            largest = std::max(largest, d);
        }
        within += largest <= 4 ? 1 : 0;
    }
    difference.meanLevels = double(total) / double(a.rgb.size());
    difference.shareWithin4 = double(within) / double(a.rgb.size() / 3);
    return difference;
}

}  // namespace

TEST(WindowsStills, matchTheNativeBuildsFramesAt10And35And50Seconds) {
    const WindowsRelease* release = windowsRelease();
    if (release == nullptr) {
        GTEST_SKIP() << "run by scripts/windows --verify";
    }
    const std::string folder = shellQuoted(release->folder);
    for (const char* seconds : {"10", "35", "50"}) {
        const std::string windowsStill = release->folder + "/still " + seconds + " s.png";
        const std::string nativeStill = release->scratch + "/native-" + seconds + ".png";
        std::remove(windowsStill.c_str());
        const std::string log = release->scratch + "/capture-" + seconds + ".log";
        // The Windows tool is given the still's name relative to its folder, as a
        // viewer would type it, so that the open goes through its UTF-8 code page.
        const int windowsStatus = std::system(("cd " + folder + " && " +
                                               wineCommand(release->capture, std::string("--at ") + seconds +
                                                                                 " --png 'still " + seconds + " s.png'") +
                                               " >" + shellQuoted(log) + " 2>&1 </dev/null")
                                                  .c_str());
        const int nativeStatus = std::system(("cd " + folder + " && env -u DISPLAY " MORVEL_CAPTURE_BINARY " --at " +
                                              seconds + " --png " + shellQuoted(nativeStill) + " >>" +
                                              shellQuoted(log) + " 2>&1 </dev/null")
                                                 .c_str());
        ASSERT_EQ(windowsStatus, 0) << readFile(log);
        ASSERT_EQ(nativeStatus, 0) << readFile(log);
        const Image windows = readPng(windowsStill);
        const Image native = readPng(nativeStill);
        ASSERT_EQ(windows.width, 800) << windowsStill;
        ASSERT_EQ(windows.height, 600) << windowsStill;
        ASSERT_EQ(native.width, windows.width);
        ASSERT_EQ(native.height, windows.height);
        const Difference difference = compare(windows, native);
        std::printf("%s s: mean difference %.3f levels, %.3f %% of pixels within 4 levels\n", seconds,
                    difference.meanLevels, 100.0 * difference.shareWithin4);
        EXPECT_LE(difference.meanLevels, 1.0) << seconds << " s";
        EXPECT_GE(difference.shareWithin4, 0.99) << seconds << " s";
    }
}
