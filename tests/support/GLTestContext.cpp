#include "tests/support/GLTestContext.h"

#include "platform/GLWindow.h"
#include "platform/InitialGLState.h"

#include <SDL2/SDL.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace testgl {

void ensureContext() {
    // The demo's own window and context set-up, kept for the whole process.
    static GLWindow* window = nullptr;
    if (window != nullptr) {
        return;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    window = new GLWindow(800, 600, 32, false, "morvel-test");
    if (!window->ready) {
        std::fprintf(stderr, "testgl: no GL context: %s\n", SDL_GetError());
        std::abort();
    }
    resetState();
}

void resetState() {
    setInitialGLState(800, 600);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::vector<uint8_t> readPixels(int x, int y, int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

uint32_t pixelAt(int x, int y) {
    std::vector<uint8_t> p = readPixels(x, y, 1, 1);
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

bool saveBmp(const char* path, int width, int height) {
    std::vector<uint8_t> rgba = readPixels(0, 0, width, height);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGBA32);
    if (surface == nullptr) {
        return false;
    }
    for (int row = 0; row < height; ++row) {
        const uint8_t* src = rgba.data() + static_cast<size_t>(height - 1 - row) * width * 4;
        std::copy(src, src + width * 4, static_cast<uint8_t*>(surface->pixels) + row * surface->pitch);
    }
    bool ok = SDL_SaveBMP(surface, path) == 0;
    SDL_FreeSurface(surface);
    return ok;
}

}  // namespace testgl
