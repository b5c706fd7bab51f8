#pragma once
// The main loop and its fixed 60-second timeline. The loop drives a DemoHost:
// the real demo implements it with the window, clock, sound and scenes; tests
// implement it with fakes.

// An iteration whose time is at or past this ends the run, however far past:
// a process stalled across the end (stopped, debugged, suspended) still ends.
constexpr float kTimelineEndSeconds = 60.0f;

// What the loop needs from the rest of the demo.
class DemoHost {
public:
    virtual ~DemoHost() = default;
    // Seconds since the clock started.
    virtual float now() = 0;
    // The spectrum for this iteration; never null.
    virtual const float* currentSpectrum() = 0;
    // Draws scene 0, 1 or 2 for time t into the back buffer.
    virtual void renderScene(int scene, float t, const float* spectrum) = 0;
    // Shows the frame; its result is not looked at.
    virtual void present() = 0;
    // True when the run should end now: Escape, the window's close request or
    // a termination signal.
    virtual bool stopRequested() = 0;
    // Teardown, called in this order on both ways out.
    virtual void stopClock() = 0;
    virtual void shutdownSound() = 0;
    virtual int closeWindow() = 0;
    // The time at which the run's range ends: the timeline's end unless a shorter
    // range was asked for.
    virtual float endSeconds() { return kTimelineEndSeconds; }
    // At or past endSeconds(): true when the host goes on instead of ending (it
    // loops the range, or holds its end while rehearsing).
    virtual bool goOnAtEnd(float) { return false; }
};

// Each scene's window in seconds, both ends inclusive.
struct SceneWindow {
    float start;
    float end;
};
constexpr SceneWindow kSceneWindows[3] = {{0.0f, 28.0f}, {28.0f, 43.0f}, {43.0f, 60.0f}};

// True when scene 0, 1 or 2 draws at time t.
bool sceneShowsAt(int scene, float t);

// Runs the loop until a stop request or the end of the timeline. Returns the
// exit status: 0 after the timeline, the window's close result after a stop.
int runTimeline(DemoHost& host);

// One pass of the loop body: draws the scenes that show at the host's time, then
// checks the end of the timeline and for a stop request. Returns true while the run goes on;
// on the last pass it does the teardown and sets exitStatus as runTimeline would.
// For hosts whose frames come from a callback (a browser) instead of a loop.
bool runTimelineIteration(DemoHost& host, int& exitStatus);
