#include "app/Startup.h"

bool startUp(StartupHost& host) {
    if (!host.openWindow()) {
        return false;
    }
    loadContent(host);
    host.createScenes();
    host.startClock();
    host.playMusic();
    return true;
}
