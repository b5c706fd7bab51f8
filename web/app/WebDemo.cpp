#include "web/app/WebDemo.h"

#include "platform/MessageBox.h"
#include "sound/SoundFormat.h"
#include "web/app/CanvasFit.h"
#include "web/sound/WebTrack.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <array>
#include <climits>
#include <cstdio>

EM_JS(void, webTimelineEnded, (int status), {
    if (Module.onTimelineEnded) Module.onTimelineEnded(status);
});

bool WebDemo::load(bool keepFrames, CanvasSize requested) {
    if (!canvas.open(keepFrames)) {
        return false;
    }
    const CanvasSize size = sizeCanvas(requested);
    if (size.width == 0) {
        showMessageBox("morvel", "This browser's WebGL cannot draw even a small canvas.");
        return false;
    }
    canvas.setInitialState(size);
    program.emplace(size);
    program->load();
    return true;
}

CanvasSize WebDemo::sizeCanvas(CanvasSize requested) {
    const WebGLLimits gl = canvas.limits();
    CanvasLimits limits = canvasLimits(gl.maxTextureSize, gl.maxRenderbufferSize, gl.maxViewportWidth,
                                       gl.maxViewportHeight);
    CanvasSize size = fitCanvas(requested, limits);
    // The browser may make a smaller drawing buffer than asked where memory is
    // short; the size is fitted again within it.
    for (int attempt = 0; attempt < 3 && size.width > 0; ++attempt) {
        const CanvasSize buffer = canvas.resize(size);
        if (buffer.width >= size.width && buffer.height >= size.height) {
            const CanvasSize unlimited = fitCanvas(requested, {INT_MAX, INT_MAX});
            if (size.width < unlimited.width) {
                std::printf("morvel: this browser draws at most %d x %d here; drawing at %d x %d instead of %d x %d\n",
                            limits.maxWidth, limits.maxHeight, size.width, size.height, unlimited.width,
                            unlimited.height);
            }
            return size;
        }
        limits = tighterLimits(limits, {buffer.width, buffer.height});
        size = fitCanvas(requested, limits);
    }
    return {0, 0};
}

CanvasSize WebDemo::canvasSize() const {
    return program ? program->canvasSize() : CanvasSize{0, 0};
}

void WebDemo::start() {
    if (!program || running) {
        return;
    }
    if (soundShutDown) {
        program->content.sound = SoundSystem(kSoundtrackPath);
        soundShutDown = false;
    }
    endRequested = false;
    running = true;
    timer.start();
    program->content.startMusic();
    emscripten_request_animation_frame_loop(&WebDemo::onFrame, this);
}

int WebDemo::onFrame(double, void* self) {
    WebDemo& demo = *static_cast<WebDemo*>(self);
    int status = 0;
    if (runTimelineIteration(demo, status)) {
        return EM_TRUE;
    }
    demo.running = false;
    webTimelineEnded(status);
    return EM_FALSE;
}

void WebDemo::requestEnd() {
    endRequested = true;
}

void WebDemo::renderStill(float t) {
    if (!program) {
        return;
    }
    std::array<float, kSpectrumSize> spectrum{};
    offlineSpectrum(t, spectrum.data());
    program->drawFrame(t, spectrum.data());
}

void WebDemo::offlineSpectrum(double t, float* out) {
    static WebTrackAnalysis analysis;
    // The page decodes the soundtrack at the audio library's mix rate, so offline and live spectra match.
    static const bool loaded = analysis.load(kSoundtrackPath, kMixRateHz);
    if (!loaded) {
        std::fill(out, out + kSpectrumSize, 0.0f);
        return;
    }
    analysis.spectrumAt(t, out);
}

float WebDemo::now() {
    return timer.now();
}

const float* WebDemo::currentSpectrum() {
    return program->content.currentSpectrum();
}

void WebDemo::renderScene(int scene, float t, const float* spectrum) {
    program->drawScene(scene, t, spectrum);
}

void WebDemo::present() {
    // The browser shows the frame when the callback returns.
}

bool WebDemo::stopRequested() {
    return endRequested;
}

void WebDemo::stopClock() {
    timer.stop();
}

void WebDemo::shutdownSound() {
    program->content.shutdownSound();
    soundShutDown = true;
}

int WebDemo::closeWindow() {
    // The canvas stays for the next run; the page shows its "play again" screen.
    return 1;
}
