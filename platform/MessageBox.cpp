#include "platform/MessageBox.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <utility>

namespace {
MessageSink& currentSink() {
    static MessageSink sink;
    return sink;
}
}  // namespace

void showMessageBox(const char* caption, const char* text) {
    if (currentSink()) {
        currentSink()(caption, text);
        return;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    bool headless = driver != nullptr && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
    if (headless || SDL_ShowSimpleMessageBox(0, caption, text, nullptr) != 0) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        std::fflush(stderr);
    }
}

MessageSink setMessageSink(MessageSink sink) {
    return std::exchange(currentSink(), std::move(sink));
}
