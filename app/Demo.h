#pragma once
// The demo: owns the window, the clock, the content and the three scenes for
// the whole run, and plays the timeline on the calling thread. While it lives
// it owns the process's termination signals (they ask the run to stop), so a
// request that arrives while loading ends the run as soon as loading is done.
#include "app/DemoOptions.h"
#include "app/DemoProgram.h"
#include "app/Startup.h"
#include "app/Timeline.h"
#include "platform/FrameTimer.h"
#include "platform/GLWindow.h"
#include "platform/StopRequests.h"

#include <optional>

class Demo final : public DemoHost, private StartupHost {
public:
    // Exit status of a run that could not start for want of a GL context.
    static constexpr int kNoWindowStatus = 1;

    explicit Demo(const DemoOptions& options = DemoOptions()) : options(options), canvas(options.size) {}

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

private:
    bool openWindow() override;
    ContentSteps& contentSteps() override;
    CanvasSize canvasSize() const override;
    void createScenes() override;
    void startClock() override;
    void playMusic() override;
    void fitCanvasToDriver();

    // First, so that the signals are owned before anything else starts.
    StopRequests stopRequests;
    DemoOptions options;
    // The pixel size the program draws at, settled once the window is open.
    CanvasSize canvas;
    std::optional<GLWindow> window;
    FrameTimer timer;
    std::optional<DemoProgram> program;
};
