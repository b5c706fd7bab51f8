#include "app/Demo.h"

#include "platform/MessageBox.h"

#include <cstdio>

int Demo::run() {
    if (!startUp(*this)) {
        showMessageBox("morvel", "No OpenGL context could be made, so the demo cannot run.");
        window->close();
        return kNoWindowStatus;
    }
    return runTimeline(*this);
}

bool Demo::openWindow() {
    int displayWidth = 0, displayHeight = 0;
    if (options.native && desktopDisplaySize(displayWidth, displayHeight)) {
        canvas = largestLayoutFit(displayWidth, displayHeight);
        std::fprintf(stderr, "morvel: drawing at %dx%d, the largest 4:3 size on this %dx%d display\n", canvas.width,
                     canvas.height, displayWidth, displayHeight);
    }
    window.emplace(canvas.width, canvas.height, 32, !options.windowed, "morvel");
    if (!window->ready) {
        return false;
    }
    fitCanvasToDriver();
    program.emplace(canvas);
    return true;
}

// A size beyond the GL driver's limits would leave the frame half drawn; the
// largest that works takes its place, with one line saying so.
void Demo::fitCanvasToDriver() {
    const CanvasSize served = fitWithin(canvas, window->maxCanvasSide());
    if (served == canvas) {
        return;
    }
    std::fprintf(stderr, "morvel: this GL driver cannot draw at %dx%d; drawing at %dx%d instead\n", canvas.width,
                 canvas.height, served.width, served.height);
    canvas = served;
    window->resizeCanvas(canvas.width, canvas.height);
}

ContentSteps& Demo::contentSteps() {
    return program->content;
}

CanvasSize Demo::canvasSize() const {
    return canvas;
}

void Demo::createScenes() {
    program->createScenes();
}

void Demo::startClock() {
    timer.start();
}

void Demo::playMusic() {
    program->content.startMusic();
}

float Demo::now() {
    return timer.now();
}

const float* Demo::currentSpectrum() {
    return program->content.currentSpectrum();
}

void Demo::renderScene(int scene, float t, const float* spectrum) {
    program->drawScene(scene, t, spectrum);
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
    program->content.shutdownSound();
}

int Demo::closeWindow() {
    return window->close();
}
