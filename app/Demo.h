#pragma once
// The demo: owns the window, the clock, the content and the three scenes for
// the whole run, and plays the timeline on the calling thread. While it lives
// it owns the process's termination signals (they ask the run to stop), so a
// request that arrives while loading ends the run as soon as loading is done.
#include "app/DemoOptions.h"
#include "app/DemoProgram.h"
#include "app/Rehearsal.h"
#include "app/Startup.h"
#include "app/Timeline.h"
#include "platform/FileWatcher.h"
#include "platform/FrameTimer.h"
#include "platform/GLWindow.h"
#include "platform/StopRequests.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class Demo final : public DemoHost, private StartupHost {
public:
    // Exit status of a run that could not start for want of a GL context.
    static constexpr int kNoWindowStatus = 1;

    explicit Demo(const DemoOptions& options = DemoOptions());

    // Starts up in its fixed order, then plays the timeline. Returns the
    // process's exit status; kNoWindowStatus, with a message, when no window
    // with a GL context could be made (nothing is loaded then).
    int run();

    float now() override;
    const float* currentSpectrum() override;
    void renderScene(int scene, float t, const float* spectrum) override;
    void present() override;
    bool stopRequested() override;
    void stopClock() override;
    void shutdownSound() override;
    int closeWindow() override;
    float endSeconds() override;
    bool goOnAtEnd(float t) override;

    // Rehearsal: what the keys have set, and the clock's and music's moves.
    const RehearsalState& rehearsalState() const { return rehearsal; }
    void jumpTo(double seconds);
    void pause();
    void resume();
    void followMusicClock();
    // How many times the range has started again.
    int loopCount() const { return loops; }
    // Benchmarks and tests: the clock's reading now, without taking keys or files,
    // and the soundtrack (null before loading).
    float clockSeconds() { return timer.now(); }
    const SoundSystem* soundtrack() const {
        return program && program->content.sound ? &*program->content.sound : nullptr;
    }
    // Tests: called with each frame's time and spectrum just before it is shown,
    // with the GL context current and the frame in the back buffer.
    std::function<void(float t, const float* spectrum)> frameShown;

private:
    bool openWindow() override;
    ContentSteps& contentSteps() override;
    CanvasSize canvasSize() const override;
    void createScenes() override;
    void startClock() override;
    void playMusic() override;
    void fitCanvasToDriver();
    void takeRehearsalKeys();
    void apply(ClockCommand command);
    void reloadChangedFiles();

    // First, so that the signals are owned before anything else starts.
    StopRequests stopRequests;
    DemoOptions options;
    // The pixel size the program draws at, settled once the window is open.
    CanvasSize canvas;
    std::optional<GLWindow> window;
    FrameTimer timer;
    std::optional<DemoProgram> program;
    RehearsalState rehearsal;
    int loops = 0;
    // A jump (a loop's restart, a key, the start of a range) made at the next frame,
    // which then shows exactly its time; the clock runs on from that moment.
    std::optional<double> pendingJump;
    std::optional<FileWatcher> watcher;
    std::vector<std::string> changedFiles;
    // For the overlay: the time and spectrum drawn, and the time between frames.
    float drawnSeconds = 0.0f;
    const float* drawnSpectrum = nullptr;
    long long lastFrameNs = 0;
    float frameMs = 0.0f;
};

// After the music moved (a jump, a resume): the picture's clock takes up the
// music's own reading, taken together with the instant it belongs to, so that a
// thread held up between moving the one and the other (a busy machine) leaves
// them no further apart. Nothing for a held clock, a module or no music.
void followMusicClock(FrameTimer& timer, SoundSystem& sound);
