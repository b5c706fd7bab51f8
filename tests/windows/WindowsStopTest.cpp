// Ending and failing on the Windows build under Wine, against the Linux build:
// Escape ends it at once, and a missing data/ folder or a damaged photograph
// gives the same messages and the same exit status, never a crash dialog or a
// hang. Message boxes are read by their titles and dismissed with Return, as
// a viewer would.
#include "tests/windows/WindowsRelease.h"
#include "tests/support/soundserver/SoundServer.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a shell command in folder; its output and exit status.
ProgramRun runIn(const std::string& folder, const std::string& command, const std::string& name) {
    const std::string out = windowsRelease()->scratch + "/" + name + ".out";
    const std::string err = windowsRelease()->scratch + "/" + name + ".err";
    const int raw = std::system(("cd " + shellQuoted(folder) + " && " + command + " >" + shellQuoted(out) + " 2>" +
                                 shellQuoted(err) + " </dev/null")
                                    .c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out), readFile(err)};
}

// The native demo, headless and silent, as the Linux build behaves.
ProgramRun runNative(const std::string& folder, const std::string& name) {
    return runIn(folder, "env -u DISPLAY SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout -s KILL 120 " MORVEL_BINARY,
                 name);
}

std::string windowName(const std::string& id) {
    std::FILE* pipe = popen(("xdotool getwindowname " + id + " 2>/dev/null").c_str(), "r");
    std::string name;
    char line[512];
    if (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) {
        name = line;
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) {
            name.pop_back();
        }
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    return name;
}

// The captions of the message boxes as Linux writes them without a display:
// "caption: text" lines on standard error.
std::vector<std::string> linuxCaptions(const std::string& err) {
    std::vector<std::string> captions;
    for (const std::string& line : linesOf(err)) {
        const size_t colon = line.find(": ");
        if (colon != std::string::npos && line.rfind("data/", 0) == 0) {
            captions.push_back(line.substr(0, colon));
        }
    }
    return captions;
}

// Message boxes are the demo's windows whose title is a path under data/;
// each is dismissed with Return once seen. Collects their titles until the run
// ends (done) or none has come for quietSeconds after the last.
std::vector<std::string> dismissMessageBoxes(const std::function<bool()>& done, double quietSeconds) {
    std::vector<std::string> titles;
    double last = nowSeconds();
    while (!done() && nowSeconds() - last < quietSeconds) {
        const std::vector<std::string> boxes = windowsNamed("^data/");
        if (boxes.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        titles.push_back(windowName(boxes.front()));
        std::system(("xdotool windowfocus --sync " + boxes.front() + " key Return 2>/dev/null").c_str());
        waitFor(5.0, [&] { return windowsNamed("^data/").size() < boxes.size(); });
        last = nowSeconds();
    }
    return titles;
}

}  // namespace

TEST(WindowsStop, escapeClosesTheWindowAndStopsTheSoundWithinHalfASecond) {
    const WindowsRelease* release = windowsRelease();
    if (release == nullptr) {
        GTEST_SKIP() << "run by scripts/windows --verify";
    }
    SoundServer server;
    ASSERT_TRUE(server.start(SoundServer::Kind::pulseAudio)) << server.why();
    const std::string countFile = server.folder() + "/stream-count";
    auto streamCount = [&] {
        server.runClient("pactl list short sink-inputs | wc -l >" + shellQuoted(countFile));
        return std::atoi(readFile(countFile).c_str());
    };
    const int idleStreams = streamCount();
    int status = -2;
    std::thread demo([&] {
        status = server.runClient("cd " + shellQuoted(release->folder) + " && " +
                                  wineCommand(release->folder + "/morvel.exe") + " >/dev/null 2>&1 </dev/null");
    });
    std::string window;
    const bool playing = waitFor(60.0, [&] {
        const std::vector<std::string> found = windowsNamed("^morvel$");
        window = found.empty() ? "" : found.front();
        return !window.empty() && streamCount() > idleStreams;
    });
    if (playing) {
        std::this_thread::sleep_for(std::chrono::seconds(3));
        std::system(("xdotool windowfocus --sync " + window + " 2>/dev/null").c_str());
    }
    const double keyAt = nowSeconds();
    std::system("xdotool key Escape");
    double windowGoneAt = -1.0;
    double soundGoneAt = -1.0;
    waitFor(10.0, [&] {
        if (windowGoneAt < 0.0 && windowsNamed("^morvel$").empty()) {
            windowGoneAt = nowSeconds();
        }
        if (soundGoneAt < 0.0 && streamCount() == idleStreams) {
            soundGoneAt = nowSeconds();
        }
        return windowGoneAt >= 0.0 && soundGoneAt >= 0.0;
    });
    demo.join();
    ASSERT_TRUE(playing) << "no window or no sound stream within 60 s";
    std::printf("Escape: window gone after %.3f s, sound stopped after %.3f s\n", windowGoneAt - keyAt,
                soundGoneAt - keyAt);
    EXPECT_GE(windowGoneAt, keyAt);
    EXPECT_LT(windowGoneAt - keyAt, 0.5);
    EXPECT_GE(soundGoneAt, keyAt);
    EXPECT_LT(soundGoneAt - keyAt, 0.5);
    // A stop ends the run with the window's close result, as on Linux.
    EXPECT_EQ(status, 1);
}

TEST(WindowsFailures, aMissingDataFolderGivesLinuxsMessagesAndStatus) {
    const WindowsRelease* release = windowsRelease();
    if (release == nullptr) {
        GTEST_SKIP() << "run by scripts/windows --verify";
    }
    const std::string folder = releaseCopy("without data", false);
    ProgramRun onLinux;
    std::thread native([&] { onLinux = runNative(folder, "missing-native"); });
    ProgramRun onWindows;
    bool windowsDone = false;
    std::thread wine([&] {
        onWindows = runIn(folder, wineCommand(folder + "/morvel.exe"), "missing-windows");
        windowsDone = true;
    });
    const std::vector<std::string> titles = dismissMessageBoxes([&] { return windowsDone; }, 90.0);
    wine.join();
    native.join();
    EXPECT_EQ(titles, linuxCaptions(onLinux.err)) << onLinux.err;
    EXPECT_EQ(linesOf(onWindows.out), linesOf(onLinux.out));
    EXPECT_EQ(onWindows.status, onLinux.status) << onWindows.err;
    EXPECT_TRUE(windowsNamed("Program Error|Wine").empty()) << "a Wine error dialog is open";
}

TEST(WindowsFailures, aDamagedPhotographEndsWithLinuxsStatusAndWords) {
    const WindowsRelease* release = windowsRelease();
    if (release == nullptr) {
        GTEST_SKIP() << "run by scripts/windows --verify";
    }
    const std::string folder = releaseCopy("damaged photo", true);
    // A PNG under the photograph's name is damaged JPEG data.
    std::system(("cp " + shellQuoted(folder + "/data/tex/grid.png") + " " + shellQuoted(folder + "/data/tex/turtle2.jpg"))
                    .c_str());
    const ProgramRun onLinux = runNative(folder, "damaged-native");
    const double start = nowSeconds();
    const ProgramRun onWindows = runIn(folder, wineCommand(folder + "/morvel.exe"), "damaged-windows");
    const double seconds = nowSeconds() - start;
    EXPECT_EQ(onWindows.status, onLinux.status) << onWindows.err;
    EXPECT_EQ(linesOf(onWindows.out), linesOf(onLinux.out));
    EXPECT_EQ(linesOf(onWindows.err), linesOf(onLinux.err));
    EXPECT_LT(seconds, 30.0);
    EXPECT_TRUE(windowsNamed("Program Error|Wine").empty()) << "a Wine error dialog is open";
}
