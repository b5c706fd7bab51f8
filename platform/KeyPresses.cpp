#include "platform/KeyPresses.h"

#include <SDL2/SDL.h>

#include <mutex>

namespace {

// SDL's event watch is a C callback with no room for an object, so the queue it
// fills lives here. Pushed events may come from any thread, hence the lock.
struct PressQueue {
    static constexpr int kCapacity = 64;
    std::mutex lock;
    KeyPress presses[kCapacity];
    int count = 0;
};

PressQueue& queue() {
    static PressQueue presses;
    return presses;
}

Key keyOf(SDL_Keycode code) {
    switch (code) {
    case SDLK_SPACE: return Key::kSpace;
    case SDLK_LEFT: return Key::kLeft;
    case SDLK_RIGHT: return Key::kRight;
    case SDLK_HOME: return Key::kHome;
    case SDLK_LEFTBRACKET: return Key::kLeftBracket;
    case SDLK_RIGHTBRACKET: return Key::kRightBracket;
    case SDLK_f: return Key::kF;
    default: return Key::kOther;
    }
}

int watchKeyEvent(void*, SDL_Event* event) {
    if (event->type != SDL_KEYDOWN) {
        return 1;
    }
    const Key key = keyOf(event->key.keysym.sym);
    // Held arrows step on; a held Space or F would flicker.
    const bool repeats = key == Key::kLeft || key == Key::kRight;
    if (key != Key::kOther && (event->key.repeat == 0 || repeats)) {
        pushKeyPressForTesting({key, (event->key.keysym.mod & KMOD_SHIFT) != 0});
    }
    return 1;
}

}  // namespace

void startCollectingKeyPresses() {
    SDL_AddEventWatch(watchKeyEvent, nullptr);
}

void stopCollectingKeyPresses() {
    SDL_DelEventWatch(watchKeyEvent, nullptr);
}

int takeKeyPresses(KeyPress* out, int capacity) {
    PressQueue& presses = queue();
    std::lock_guard<std::mutex> held(presses.lock);
    const int taken = presses.count < capacity ? presses.count : capacity;
    for (int i = 0; i < taken; ++i) {
        out[i] = presses.presses[i];
    }
    for (int i = taken; i < presses.count; ++i) {
        presses.presses[i - taken] = presses.presses[i];
    }
    presses.count -= taken;
    return taken;
}

void pushKeyPressForTesting(KeyPress press) {
    PressQueue& presses = queue();
    std::lock_guard<std::mutex> held(presses.lock);
    if (presses.count < PressQueue::kCapacity) {
        presses.presses[presses.count++] = press;
    }
}
