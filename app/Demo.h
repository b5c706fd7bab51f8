#pragma once
// The demo: owns the window, the clock, the content and the three scenes for
// the whole run, and plays the timeline on the calling thread.
#include "app/Content.h"
#include "app/Timeline.h"
#include "platform/FrameTimer.h"
#include "platform/GLWindow.h"

#include <array>
#include <memory>
#include <optional>

class Demo final : public DemoHost {
public:
    // Start-up in its fixed order: window, content, scenes.
    Demo();

    // Starts the clock and, right after it, the music; then plays the timeline.
    // Returns the process's exit status.
    int run();

    float now() override;
    const float* currentSpectrum() override;
    void renderScene(int scene, float t, const float* spectrum) override;
    void present() override;
    bool escapePressed() override;
    void stopClock() override;
    void shutdownSound() override;
    int closeWindow() override;

private:
    GLWindow window;
    FrameTimer timer;
    std::optional<Content> content;
    std::array<std::unique_ptr<Scene>, 3> scenes;
};
