#include "app/Timeline.h"

namespace {

bool contains(SceneWindow window, float t) {
    return window.start <= t && t <= window.end;
}

}  // namespace

bool sceneShowsAt(int scene, float t) {
    return contains(kSceneWindows[scene], t);
}

namespace {

void teardown(DemoHost& host) {
    host.stopClock();
    host.shutdownSound();
}

}  // namespace

int runTimeline(DemoHost& host) {
    if (host.stopRequested()) {
        teardown(host);
        return host.closeWindow();
    }
    int exitStatus = 0;
    while (runTimelineIteration(host, exitStatus)) {
    }
    return exitStatus;
}

bool runTimelineIteration(DemoHost& host, int& exitStatus) {
    const float t = host.now();
    const float* spectrum = host.currentSpectrum();
    // Independent tests on the same t: at a shared bound two scenes draw,
    // each with its own present.
    for (int scene = 0; scene < 3; ++scene) {
        if (sceneShowsAt(scene, t)) {
            host.renderScene(scene, t, spectrum);
            host.present();
        }
    }
    if (t >= host.endSeconds() && !host.goOnAtEnd(t)) {
        teardown(host);
        host.closeWindow();
        exitStatus = 0;
        return false;
    }
    if (host.stopRequested()) {
        teardown(host);
        exitStatus = host.closeWindow();
        return false;
    }
    return true;
}
