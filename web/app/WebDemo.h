#pragma once
// The demo in a web page: the native timeline, content and scenes driven by
// the browser's frame callback instead of a blocking loop. The page (page.js)
// downloads the content into the in-memory file system, then calls load, and
// start on its start button (sound may only begin after a gesture). Main thread.
#include "app/DemoProgram.h"
#include "app/Timeline.h"
#include "platform/FrameTimer.h"
#include "web/platform/WebCanvas.h"

#include <optional>

class WebDemo final : public DemoHost {
public:
    // Opens the canvas at the pixel size chosen for the requested one (see
    // fitCanvas), then loads the content and makes the scenes for that size,
    // in the native order. False, after a page message, when the canvas
    // cannot draw.
    bool load(bool keepFrames, CanvasSize requested);
    // Starts the clock, then the music, then the frame callback; again after an
    // earlier run ended, with the soundtrack loaded afresh.
    void start();
    // Asks the running timeline to end at its next frame.
    void requestEnd();
    // Draws the single frame at time t with the offline spectrum, as
    // morvel-capture --at does, without sound or clock.
    void renderStill(float t);
    // The offline spectrum at t (512 entries), for comparisons with native.
    void offlineSpectrum(double t, float* out);
    // The pixel size the frames are drawn at; {0, 0} before load.
    CanvasSize canvasSize() const;

    float now() override;
    const float* currentSpectrum() override;
    void renderScene(int scene, float t, const float* spectrum) override;
    void present() override;
    bool stopRequested() override;
    void stopClock() override;
    void shutdownSound() override;
    int closeWindow() override;

private:
    static int onFrame(double, void* self);
    // Sizes the canvas for the request within the context's limits, saying so
    // on the console when a limit made it smaller; {0, 0} when nothing fits.
    CanvasSize sizeCanvas(CanvasSize requested);

    WebCanvas canvas;
    FrameTimer timer;
    std::optional<DemoProgram> program;
    bool endRequested = false;
    bool running = false;
    bool soundShutDown = false;
};
