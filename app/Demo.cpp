#include "app/Demo.h"

#include "platform/MessageBox.h"

int Demo::run() {
    if (!startUp(*this, canvas)) {
        showMessageBox("morvel", "No OpenGL context could be made, so the demo cannot run.");
        window->close();
        return kNoWindowStatus;
    }
    return runTimeline(*this);
}

bool Demo::openWindow() {
    window.emplace(canvas.width, canvas.height, 32, true, "morvel");
    return window->ready;
}

ContentSteps& Demo::contentSteps() {
    return program.content;
}

void Demo::createScenes() {
    program.createScenes();
}

void Demo::startClock() {
    timer.start();
}

void Demo::playMusic() {
    program.content.startMusic();
}

float Demo::now() {
    return timer.now();
}

const float* Demo::currentSpectrum() {
    return program.content.currentSpectrum();
}

void Demo::renderScene(int scene, float t, const float* spectrum) {
    program.drawScene(scene, t, spectrum);
}

void Demo::present() {
    window->present();
}

bool Demo::stopRequested() {
    return ::stopRequested();
}

void Demo::stopClock() {
    timer.stop();
}

void Demo::shutdownSound() {
    program.content.shutdownSound();
}

int Demo::closeWindow() {
    return window->close();
}
