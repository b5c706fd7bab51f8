#include "app/Startup.h"

bool startUp(StartupHost& host) {
    if (!host.openWindow()) {
        return false;
    }
    loadContent(host.contentSteps(), host.canvasSize());
    host.createScenes();
    host.startClock();
    host.playMusic();
    return true;
}
