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
    // Where the content's loading steps go; after the window.
    virtual ContentSteps& contentSteps() = 0;
    // The canvas's pixel size, settled by the window's opening.
    virtual CanvasSize canvasSize() const = 0;
    virtual void createScenes() = 0;
    virtual void startClock() = 0;
    virtual void playMusic() = 0;
};

// Window, then the content (sound system, ten textures, eight meshes, two
// render targets for the canvas's pixel size), the three scenes, the clock's
// start and at once the music. Without a GL context nothing after the window is
// done, since loading would make GL calls with no context; false then.
bool startUp(StartupHost& host);
