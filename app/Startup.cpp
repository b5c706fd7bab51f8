#include "app/Startup.h"

bool startUp(StartupHost& host, CanvasSize canvas) {
    if (!host.openWindow()) {
        return false;
    }
    loadContent(host.contentSteps(), canvas);
    host.createScenes();
    host.startClock();
    host.playMusic();
    return true;
}
