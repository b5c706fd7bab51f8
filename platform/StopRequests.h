#pragma once
// Why a run ends before its time: the Escape key, the window's close request
// (close button, Alt+F4, the window manager) and the termination signals
// SIGINT and SIGTERM. Keys and close requests arrive through SDL's event
// queue; signals only while a StopRequests object is alive. All of them are
// read with stopRequested(), on the thread that owns the window.
union SDL_Event;

// Owns the process's signal dispositions for as long as it lives: SIGINT and
// SIGTERM record a stop request instead of ending the process, and SIGPIPE is
// ignored so that a closed pipe or terminal shows up as a failed write. The
// dispositions in force before are put back on destruction. One at a time.
class StopRequests {
public:
    StopRequests();
    ~StopRequests();
    StopRequests(const StopRequests&) = delete;
    StopRequests& operator=(const StopRequests&) = delete;

private:
    struct Saved;
    Saved* saved;
};

// True when the run should end now: Escape is down or was tapped since the
// last call, or a close request or a signal has arrived (those stay set).
// Pumps SDL's events when video is running.
bool stopRequested();

// The number of the first termination signal received, or 0 when none came.
int stopSignal();

// Records a close request from the window system.
void requestStop();

// Forgets every earlier request (for tests and for a second run in one process).
void clearStopRequests();

// Starts and stops noticing Escape taps and close requests as SDL delivers
// them, so that a tap between two polls still counts. Each window starts it
// once and stops it before SDL's video goes.
void watchStopEvents();
void unwatchStopEvents();
