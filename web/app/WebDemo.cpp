#include "web/app/WebDemo.h"

#include "platform/CanvasSize.h"
#include "scenes/PhotoScene.h"
#include "scenes/ShellScene.h"
#include "scenes/SphereScene.h"
#include "sound/SoundFormat.h"
#include "web/sound/WebTrack.h"

#include <GL/gl.h>
#include <emscripten.h>
#include <emscripten/html5.h>

EM_JS(void, webTimelineEnded, (int status), {
    if (Module.onTimelineEnded) Module.onTimelineEnded(status);
});

bool WebDemo::load(bool keepFrames) {
    if (!canvas.open(kCanvasWidth, kCanvasHeight, keepFrames)) {
        return false;
    }
    content.emplace();
    scenes = {std::make_unique<SphereScene>(), std::make_unique<PhotoScene>(), std::make_unique<ShellScene>()};
    return true;
}

void WebDemo::start() {
    if (!content || running) {
        return;
    }
    if (soundShutDown) {
        content->sound = SoundSystem(kSoundtrackPath);
        soundShutDown = false;
    }
    endRequested = false;
    running = true;
    timer.start();
    content->startMusic();
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
    if (!content) {
        return;
    }
    std::array<float, kSpectrumSize> spectrum{};
    offlineSpectrum(t, spectrum.data());
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (int scene = 0; scene < 3; ++scene) {
        if (sceneShowsAt(scene, t)) {
            renderScene(scene, t, spectrum.data());
        }
    }
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
    return content->currentSpectrum();
}

void WebDemo::renderScene(int scene, float t, const float* spectrum) {
    scenes[scene]->render(t, spectrum, content->textures, content->meshes, content->targets);
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
    content->shutdownSound();
    soundShutDown = true;
}

int WebDemo::closeWindow() {
    // The canvas stays for the next run; the page shows its "play again" screen.
    return 1;
}
