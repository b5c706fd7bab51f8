#pragma once
// The demo's start-up in its fixed order, driven through a host: the real demo
// implements it with the window, content, scenes, clock and music; tests with
// a recording fake.
#include "app/Content.h"

class StartupHost {
public:
    virtual ~StartupHost() = default;
    // Creates the window; true when its GL context is current and ready.
    virtual bool openWindow() = 0;
    // Where the content's loading steps go.
    virtual ContentSteps& contentSteps() = 0;
    virtual void createScenes() = 0;
    virtual void startClock() = 0;
    virtual void playMusic() = 0;
};

// Window, then the content (sound system, ten textures, eight meshes, two
// render targets for a canvas of the given pixel size), the three scenes, the
// clock's start and at once the music. Without a GL context nothing after the
// window is done, since loading would make GL calls with no context; false then.
bool startUp(StartupHost& host, CanvasSize canvas);
