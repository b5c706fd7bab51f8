#include "app/Demo.h"

#include "scenes/PhotoScene.h"
#include "scenes/ShellScene.h"
#include "scenes/SphereScene.h"

Demo::Demo() : window(800, 600, 32, true, "morvel") {
    // The content needs the window's GL context, so it is made after the window.
    content.emplace();
    scenes = {std::make_unique<SphereScene>(), std::make_unique<PhotoScene>(), std::make_unique<ShellScene>()};
}

int Demo::run() {
    timer.start();
    content->startMusic();
    return runTimeline(*this);
}

float Demo::now() {
    return timer.now();
}

const float* Demo::currentSpectrum() {
    return content->currentSpectrum();
}

void Demo::renderScene(int scene, float t, const float* spectrum) {
    scenes[scene]->render(t, spectrum, content->textures, content->meshes, content->targets);
}

void Demo::present() {
    window.present();
}

bool Demo::escapePressed() {
    return escapeRequested();
}

void Demo::stopClock() {
    timer.stop();
}

void Demo::shutdownSound() {
    content->shutdownSound();
}

int Demo::closeWindow() {
    return window.close();
}
