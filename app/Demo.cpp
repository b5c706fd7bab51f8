#include "app/Demo.h"

#include "platform/CanvasSize.h"
#include "platform/MessageBox.h"
#include "scenes/PhotoScene.h"
#include "scenes/ShellScene.h"
#include "scenes/SphereScene.h"

int Demo::run() {
    if (!startUp(*this)) {
        showMessageBox("morvel", "No OpenGL context could be made, so the demo cannot run.");
        window->close();
        return kNoWindowStatus;
    }
    return runTimeline(*this);
}

bool Demo::openWindow() {
    window.emplace(kCanvasWidth, kCanvasHeight, 32, true, "morvel");
    return window->ready;
}

void Demo::openSound(const char* path) {
    content.openSound(path);
}

void Demo::loadTexture(size_t index, const char* path) {
    content.loadTexture(index, path);
}

void Demo::loadMesh(size_t index, const char* path) {
    content.loadMesh(index, path);
}

void Demo::createTarget(size_t index, int width, int height, int screenWidth, int screenHeight) {
    content.createTarget(index, width, height, screenWidth, screenHeight);
}

void Demo::createScenes() {
    scenes = {std::make_unique<SphereScene>(), std::make_unique<PhotoScene>(), std::make_unique<ShellScene>()};
}

void Demo::startClock() {
    timer.start();
}

void Demo::playMusic() {
    content.startMusic();
}

float Demo::now() {
    return timer.now();
}

const float* Demo::currentSpectrum() {
    return content.currentSpectrum();
}

void Demo::renderScene(int scene, float t, const float* spectrum) {
    scenes[scene]->render(t, spectrum, content.textures, content.meshes, content.targets);
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
    content.shutdownSound();
}

int Demo::closeWindow() {
    return window->close();
}
