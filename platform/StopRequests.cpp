#include "platform/StopRequests.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <csignal>

namespace {

// A signal handler and SDL's event watch are C callbacks with no room for an
// object, so what they record lives here.
std::atomic<bool> gCloseRequested{false};
std::atomic<bool> gEscapeTapped{false};
std::atomic<int> gStopSignal{0};

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

void onTerminationSignal(int signalNumber) {
    int none = 0;
    gStopSignal.compare_exchange_strong(none, signalNumber);
}

int watchStopEvent(void*, SDL_Event* event) {
    if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_CLOSE) {
        gCloseRequested.store(true);
    } else if (event->type == SDL_KEYDOWN && event->key.keysym.sym == SDLK_ESCAPE) {
        gEscapeTapped.store(true);
    }
    return 1;
}

#ifdef _WIN32
// Windows has no sigaction. Its C library delivers Ctrl+C (SIGINT) and
// Ctrl+Break (SIGBREAK) from the console the demo was started from, and resets
// the handler before each call, so the handler sets itself again.
void onConsoleSignal(int signalNumber) {
    std::signal(signalNumber, onConsoleSignal);
    onTerminationSignal(signalNumber);
}
#else
struct sigaction handlerFor(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    // Restarted, so that a request never shows up as a failed read in a decoder.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    return action;
}
#endif

}  // namespace

#ifdef _WIN32
struct StopRequests::Saved {
    void (*interrupt)(int);
    void (*consoleBreak)(int);
};

StopRequests::StopRequests() : saved(new Saved{}) {
    saved->interrupt = std::signal(SIGINT, onConsoleSignal);
    saved->consoleBreak = std::signal(SIGBREAK, onConsoleSignal);
}

StopRequests::~StopRequests() {
    std::signal(SIGINT, saved->interrupt);
    std::signal(SIGBREAK, saved->consoleBreak);
    delete saved;
}
#else
struct StopRequests::Saved {
    struct sigaction interrupt;
    struct sigaction terminate;
    struct sigaction brokenPipe;
};

StopRequests::StopRequests() : saved(new Saved{}) {
    const struct sigaction stop = handlerFor(onTerminationSignal);
    const struct sigaction ignore = handlerFor(SIG_IGN);
    sigaction(SIGINT, &stop, &saved->interrupt);
    sigaction(SIGTERM, &stop, &saved->terminate);
    sigaction(SIGPIPE, &ignore, &saved->brokenPipe);
}

StopRequests::~StopRequests() {
    sigaction(SIGINT, &saved->interrupt, nullptr);
    sigaction(SIGTERM, &saved->terminate, nullptr);
    sigaction(SIGPIPE, &saved->brokenPipe, nullptr);
    delete saved;
}
#endif

bool stopRequested() {
    if (gCloseRequested.load() || gStopSignal.load() != 0) {
        return true;
    }
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return false;
    }
    SDL_PumpEvents();
    if (gEscapeTapped.exchange(false)) {
        return true;
    }
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    return keys != nullptr && keys[SDL_SCANCODE_ESCAPE] != 0;
}

int stopSignal() {
    return gStopSignal.load();
}

void requestStop() {
    gCloseRequested.store(true);
}

void clearStopRequests() {
    gCloseRequested.store(false);
    gEscapeTapped.store(false);
    gStopSignal.store(0);
}

void watchStopEvents() {
    SDL_AddEventWatch(watchStopEvent, nullptr);
}

void unwatchStopEvents() {
    SDL_DelEventWatch(watchStopEvent, nullptr);
}
