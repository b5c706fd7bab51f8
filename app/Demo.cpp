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

void Demo::openSound(const char* path) {
    program.openSound(path);
}

void Demo::loadTexture(size_t index, const char* path) {
    program.loadTexture(index, path);
}

void Demo::loadMesh(size_t index, const char* path) {
    program.loadMesh(index, path);
}

void Demo::createTarget(size_t index, int width, int height, int screenWidth, int screenHeight) {
    program.createTarget(index, width, height, screenWidth, screenHeight);
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
