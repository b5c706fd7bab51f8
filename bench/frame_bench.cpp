// Frame cost of each scene at three canvas sizes on the current GL driver, offscreen:
// a few hundred frames spread over each scene's window, glFinish after each,
// plus the CPU cost of the sphere's ripple and normals on their own, and the
// number of C++ allocations made during the timed frames. Prints one JSON
// object. Runs from the repository root on the generated data/ tree, drawn
// through the demo's own program.
//
// Usage: frame_bench [--frames N] [--size WxH] [--save FOLDER]
//   each scene at 800x600, 1440x1080 and 2880x2160, or at --size alone; N frames
//   at 800x600 and proportionally fewer (at least 30) at larger sizes.
//   --save writes one BMP per scene and size (sphere-800x600.bmp, ...).
#include "bench/support/BenchSupport.h"
#include "app/DemoProgram.h"
#include "scenes/SphereScene.h"

#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <sys/stat.h>
#include <vector>

// Counts every C++ allocation, so the timed loops can show they make none.
static std::atomic<long> gAllocationCount{0};

[[gnu::noinline]] void* operator new(std::size_t size) {
    ++gAllocationCount;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

// A made-up but music-like spectrum for frame i: a pulsing bass and mids.
void fillSpectrum(std::vector<float>& spectrum, int frame) {
    const double phase = frame * 0.37;
    spectrum[0] = static_cast<float>(0.5 + 0.5 * std::sin(phase));
    for (int k = 3; k <= 5; ++k) {
        spectrum[k] = static_cast<float>(0.2 * (1.0 + std::sin(phase * 0.7 + k)));
    }
}

bool saveBmp(const std::string& path, CanvasSize size) {
    const size_t rowBytes = static_cast<size_t>(size.width) * 4;
    std::vector<uint8_t> rgba(rowBytes * size.height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, size.width, size.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, size.width, size.height, 32, SDL_PIXELFORMAT_RGBA32);
    if (surface == nullptr) {
        return false;
    }
    for (int row = 0; row < size.height; ++row) {
        std::memcpy(static_cast<uint8_t*>(surface->pixels) + row * surface->pitch,
                    rgba.data() + static_cast<size_t>(size.height - 1 - row) * rowBytes, rowBytes);
    }
    bool ok = SDL_SaveBMP(surface, path.c_str()) == 0;
    SDL_FreeSurface(surface);
    return ok;
}

constexpr int kWarmupFrames = 5;

struct SceneRun {
    const char* name;
    int scene;
    float startSeconds, endSeconds;
    float shownSeconds;  // the time of the saved frame
};

// Renders frameCount timed frames evenly over the scene's window, with a
// spectrum that moves from frame to frame; adds the allocations made inside
// the timed renders to allocations.
std::vector<double> timeScene(const SceneRun& run, DemoProgram& program, int frameCount, long& allocations) {
    std::vector<float> spectrum(kSpectrumSize, 0.0f);
    int frame = -1;
    float t = run.startSeconds;
    auto prepare = [&] {
        ++frame;
        const int i = std::max(0, frame - kWarmupFrames);
        t = run.startSeconds + (run.endSeconds - run.startSeconds) * i / std::max(1, frameCount - 1);
        fillSpectrum(spectrum, i);
    };
    auto work = [&] {
        const long before = gAllocationCount;
        program.drawScene(run.scene, t, spectrum.data());
        if (frame >= kWarmupFrames) {
            allocations += gAllocationCount - before;
        }
    };
    return bench::timeGLFrames(kWarmupFrames, frameCount, prepare, work);
}

// The rest sphere's first SubMesh, or null when its file held none.
const SubMesh* restSphere(const Content& content) {
    const Mesh& rest = *content.meshes[kRestSphereMesh];
    return rest.subMeshCount > 0 ? rest.subMeshes[0].get() : nullptr;
}

// CPU cost of rebuilding the rippled sphere from the rest one and renormalising it, per frame.
std::vector<double> timeRipple(Content& content, int frameCount, long& allocations) {
    std::vector<double> frameMs;
    frameMs.reserve(frameCount);
    Mesh& drawn = *content.meshes[kRippledSphereMesh];
    const SubMesh* rest = restSphere(content);
    if (rest == nullptr || drawn.subMeshCount <= 0 || drawn.subMeshes[0]->vertexCount != rest->vertexCount) {
        return frameMs;
    }
    const long before = gAllocationCount;
    for (int i = 0; i < frameCount; ++i) {
        const double startMs = bench::nowMs();
        rippleSphere(28.0f * i / frameCount, *rest, *drawn.subMeshes[0]);
        drawn.computeNormals();
        frameMs.push_back(bench::nowMs() - startMs);
    }
    allocations = gAllocationCount - before;
    return frameMs;
}

// One frame at the scene's shown time with a mid-level spectrum, saved as BMP.
void saveShownFrame(const SceneRun& run, DemoProgram& program, const std::string& folder) {
    std::vector<float> spectrum(kSpectrumSize, 0.0f);
    fillSpectrum(spectrum, 4);
    program.drawScene(run.scene, run.shownSeconds, spectrum.data());
    const CanvasSize size = program.canvasSize();
    const std::string path =
        folder + "/" + run.name + "-" + std::to_string(size.width) + "x" + std::to_string(size.height) + ".bmp";
    if (!saveBmp(path, size)) {
        std::fprintf(stderr, "frame_bench: cannot write %s\n", path.c_str());
    }
}

// "800x600", for the keys of one size's figures.
std::string sizeName(CanvasSize size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

// Times every scene at one canvas size, in a context of that size, and adds
// the figures under keys that name the size. The ripple's CPU cost does not
// depend on the size; it is timed with the first.
bool timeAtSize(CanvasSize size, int frameCount, bool withRipple, const std::string& saveFolder,
                bench::JsonObject& json, long& allocations) {
    bench::HeadlessGLContext context;
    if (!context.open(size.width, size.height)) {
        return false;
    }
    DemoProgram program(size);
    program.load();
    const SceneRun runs[3] = {{"sphere", 0, 0.0f, 28.0f, 10.0f},
                              {"photo", 1, 28.0f, 43.0f, 35.0f},
                              {"shell", 2, 43.0f, 60.0f, 50.0f}};
    for (const SceneRun& run : runs) {
        bench::resetGLState(size.width, size.height);
        const std::string key = std::string(run.name) + "_" + sizeName(size) + "_";
        json.addStats(key, bench::summarize(timeScene(run, program, frameCount, allocations)));
        if (!saveFolder.empty()) {
            saveShownFrame(run, program, saveFolder);
        }
    }
    if (withRipple) {
        json.add("renderer", bench::glRenderer());
        const SubMesh* rest = restSphere(program.content);
        json.add("sphere_vertices", rest != nullptr ? rest->vertexCount : 0);
        json.addStats("ripple_normals_", bench::summarize(timeRipple(program.content, frameCount, allocations)));
    }
    program.content.shutdownSound();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int frameCount = 300;
    std::string saveFolder;
    std::vector<CanvasSize> sizes = {kDefaultCanvasSize, {1440, 1080}, {2880, 2160}};
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--frames") == 0) {
            frameCount = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--save") == 0) {
            saveFolder = argv[i + 1];
        } else if (std::strcmp(argv[i], "--size") == 0) {
            CanvasSize size;
            if (!parseCanvasSize(argv[i + 1], size)) {
                bench::JsonObject().add("error", std::string("--size wants WIDTHxHEIGHT, not ") + argv[i + 1]).print();
                return 2;
            }
            sizes = {size};
        }
    }
    struct stat info;
    if (stat("data/obj/hisphere.ebr", &info) != 0) {
        bench::JsonObject().add("error", "no data/ here: run morvel-assetgen --root . first").print();
        return 1;
    }
    bench::JsonObject json;
    json.add("benchmark", "frame").add("assets", "data/");
    long allocations = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        // Fewer frames where each costs more, so that every size takes about as long.
        const double pixels = double(sizes[i].width) * sizes[i].height;
        const int frames = std::max(30, static_cast<int>(frameCount * (800.0 * 600.0) / std::max(pixels, 800.0 * 600.0)));
        if (!timeAtSize(sizes[i], frames, i == 0, saveFolder, json, allocations)) {
            bench::JsonObject().add("error", "no GL context of " + sizeName(sizes[i])).print();
            return 1;
        }
    }
    json.add("allocations_in_timed_frames", int64_t(allocations));
    json.print();
    return 0;
}
