// A sound server that freezes (stopped with SIGSTOP, as a hung or blocked server
// would be) while the sound system plays through it: the clock and the spectrum go
// on, and the end of the run waits at most a second for the frozen device, both in
// this process and in a whole run of the real demo.
#include "platform/FrameTimer.h"
#include "sound/SoundSystem.h"
#include "tests/servers/ServerTestSupport.h"
#include "tests/support/soundserver/SoundServer.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

// How far the heard position may stray from the clock once it is kept on the wall clock.
constexpr float kWallClockToleranceMs = 50.0f;

// The server process this process started: its child of that name.
pid_t serverProcess(const std::string& name = "pulseaudio") {
    DIR* proc = opendir("/proc");
    pid_t found = -1;
    for (dirent* entry = proc != nullptr ? readdir(proc) : nullptr; entry != nullptr && found < 0;
         entry = readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        std::getline(stat, line);
        size_t open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos) {
            continue;
        }
        std::istringstream rest(line.substr(close + 2));
        char state = 0;
        pid_t parent = 0;
        rest >> state >> parent;
        if (parent == getpid() && line.substr(open + 1, close - open - 1) == name) {
            found = static_cast<pid_t>(std::atol(entry->d_name));
        }
    }
    if (proc != nullptr) {
        closedir(proc);
    }
    return found;
}

// Freezes the server for the rest of the scope, and lets it go on at the end so that
// it can be stopped.
class FrozenServer {
public:
    explicit FrozenServer(pid_t pid) : pid(pid) { kill(pid, SIGSTOP); }
    ~FrozenServer() { thaw(); }
    void thaw() {
        if (pid > 0) {
            kill(pid, SIGCONT);
        }
        pid = -1;
    }

private:
    pid_t pid;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(FrozenServer, theClockAndSpectrumGoOnAndTheEndWaitsAtMostASecond) {
    const TrackAnalysis& offline = track();
    SoundServer server;
    ASSERT_TRUE(server.start(SoundServer::Kind::pulseAudio)) << server.why();
    const pid_t serverPid = serverProcess();
    ASSERT_GT(serverPid, 0);
    routeOutputTo(server);
    SoundSystem sound(kTrackPath);
    ASSERT_STREQ(AUDIO_GetDriverName(), "pulseaudio");
    FrameTimer timer;
    timer.start();
    sound.play();
    // playing: until the freeze; frozen: while the layer has not noticed it yet (the
    // spectrum only); after: from a second past the freeze, when it has long noticed.
    SpectrumFollower playing(offline), frozenNow(offline), after(offline);
    std::unique_ptr<FrozenServer> frozen;
    float slowestFrameMs = 0.0f, last = 0.0f;
    for (float t = timer.now(); t < 4.5f; t = timer.now()) {
        if (frozen == nullptr && t > 1.5f) {
            frozen.reset(new FrozenServer(serverPid));
        }
        (frozen == nullptr ? playing : t > 2.5f ? after : frozenNow).check(sound.spectrum(), t);
        slowestFrameMs = std::max(slowestFrameMs, (t - last) * 1000.0f);
        last = t;
        SDL_Delay(5);
    }
    // Nothing in the frame loop waits for the frozen server; on a crowded machine (or
    // under ThreadSanitizer) the loop itself may wait a fifth of a second for a core.
    const bool timed = timingIsChecked(loadPerCore());
    EXPECT_LT(slowestFrameMs, timed ? 200.0f : 1000.0f);
    // The heard position goes on from where it was before the freeze, at the clock's
    // pace. It is kept on the wall clock by this thread alone then, so a busy machine
    // moves it little.
    std::printf("heard track less the clock: %.1f ms before the freeze, %.1f ms after it, %.1f ms at the end\n",
                playing.lastLagMs(), after.firstLagMs(), after.lastLagMs());
    EXPECT_NEAR(after.firstLagMs(), playing.lastLagMs(), kWallClockToleranceMs);
    EXPECT_NEAR(after.lastLagMs(), after.firstLagMs(), kWallClockToleranceMs);
    EXPECT_LE(after.meanLagMs(), spectrumToleranceMs());
    EXPECT_GT(after.loudestLately(), 0.01f);  // the music's spectrum, not zeros and not frozen
    // Should the shutdown wait on the frozen server, the server is let go after 5 s so
    // that the test ends (and fails) rather than hanging.
    std::atomic<bool> shutDown{false};
    std::thread rescue([&] {
        for (int waitedMs = 0; waitedMs < 5000 && !shutDown; waitedMs += 10) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        frozen->thaw();
    });
    const auto shutdownStart = std::chrono::steady_clock::now();
    sound.shutdown();
    const double shutdownSeconds = secondsSince(shutdownStart);
    shutDown = true;
    rescue.join();
    std::printf("shutdown took %.3f s\n", shutdownSeconds);
    // It waits a second at most for the device; the rest of it takes milliseconds.
    EXPECT_LE(shutdownSeconds, timed ? 1.05 : 1.5);
}

// Through PipeWire it is its PulseAudio service, which SDL's stream and the latency
// queries talk to, that freezes.
TEST(FrozenServer, theDemoEndsWithinASecondOfBeingAskedToWhileItsServerIsFrozen) {
    for (SoundServer::Kind kind : {SoundServer::Kind::pulseAudio, SoundServer::Kind::pipeWire}) {
        SoundServer server;
        ASSERT_TRUE(server.start(kind)) << server.why();
        SCOPED_TRACE(server.name());
        const pid_t serverPid = serverProcess(kind == SoundServer::Kind::pulseAudio ? "pulseaudio" : "pipewire-pulse");
        ASSERT_GT(serverPid, 0);
        int status = -2;
        // SIGTERM at 7 s ends the run as Escape does (status 1); a stuck teardown would
        // be killed 20 s later.
        const auto launched = std::chrono::steady_clock::now();
        double runSeconds = 0.0;
        std::thread demo([&] {
            status = server.runClient("cd '" MORVEL_E2E_ROOT "' && unset DISPLAY WAYLAND_DISPLAY && "
                                      "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=pulseaudio "
                                      "timeout -k 20 --preserve-status -s TERM 7 " MORVEL_BINARY " >'" +
                                      server.folder() + "/out' 2>'" + server.folder() + "/err' </dev/null");
            runSeconds = secondsSince(launched);
        });
        std::this_thread::sleep_for(std::chrono::seconds(3));
        {
            FrozenServer frozen(serverPid);
            demo.join();
        }
        std::printf("%s: the demo ended %.2f s after its launch\n", server.name(), runSeconds);
        EXPECT_EQ(status, 1) << readFile(server.folder() + "/err");
        // Asked at 7 s, the run's teardown waits a second at most for the frozen device;
        // the rest of it takes a fraction of a second, a few on a crowded machine.
        EXPECT_LT(runSeconds, 7.0 + (timingIsChecked(loadPerCore()) ? 1.5 : 4.0));
        EXPECT_EQ(readFile(server.folder() + "/out"),
                  "Debug: Detected MP3-format.\nDebug: Starting INIT with SOUND\n"
                  "Debug: Started soundsystem with SOUND\nDebug: Loaded song with SOUND\n");
    }
}
