#include "web/app/WebDemo.h"

#include "sound/SoundFormat.h"
#include "web/sound/WebTrack.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <array>

EM_JS(void, webTimelineEnded, (int status), {
    if (Module.onTimelineEnded) Module.onTimelineEnded(status);
});

bool WebDemo::load(bool keepFrames) {
    if (!canvas.open(kDefaultCanvasSize.width, kDefaultCanvasSize.height, keepFrames)) {
        return false;
    }
    program.emplace(kDefaultCanvasSize);
    program->load();
    return true;
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
