// Frame cost of each scene at 800 x 600 on the current GL driver, offscreen:
// a few hundred frames spread over each scene's window, glFinish after each,
// plus the CPU cost of the sphere's ripple and normals on their own, and the
// number of C++ allocations made during the timed frames. Prints one JSON
// object. Runs from the repository root on the generated data/ tree; where that
// is missing it draws a 10,242-vertex geodesic sphere of its own instead, with
// untextured surfaces.
//
// Usage: frame_bench [--frames N] [--save FOLDER]
//   --save writes one BMP per scene (sphere.bmp, photo.bmp, shell.bmp).
#include "bench/support/BenchSupport.h"
#include "assets/EbrWriter.h"
#include "assets/Mesh.h"
#include "assets/Texture.h"
#include "fx/RenderTarget.h"
#include "platform/MessageBox.h"
#include "scenes/PhotoScene.h"
#include "scenes/ShellScene.h"
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
#include <map>
#include <new>
#include <string>
#include <sys/stat.h>
#include <utility>
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

bool fileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// Unit-sphere midpoint of edge (a, b), made once per edge.
int32_t midpoint(std::vector<float>& p, std::map<std::pair<int32_t, int32_t>, int32_t>& made, int32_t a, int32_t b) {
    auto key = std::make_pair(std::min(a, b), std::max(a, b));
    auto found = made.find(key);
    if (found != made.end()) {
        return found->second;
    }
    float m[3] = {p[3 * a] + p[3 * b], p[3 * a + 1] + p[3 * b + 1], p[3 * a + 2] + p[3 * b + 2]};
    float length = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
    p.insert(p.end(), {m[0] / length, m[1] / length, m[2] / length});
    return made[key] = static_cast<int32_t>(p.size() / 3 - 1);
}

// Icosahedron subdivided five times: 10,242 vertices, 20,480 triangles.
EbrSubMesh geodesicSphere(float radius) {
    const float g = (1.0f + std::sqrt(5.0f)) / 2.0f, s = 1.0f / std::sqrt(1.0f + g * g), h = g * s;
    EbrSubMesh mesh;
    mesh.name = "sphere";
    mesh.positions = {-s, h, 0, s, h, 0, -s, -h, 0, s, -h, 0, 0, -s, h, 0, s, h,
                      0, -s, -h, 0, s, -h, h, 0, -s, h, 0, s, -h, 0, -s, -h, 0, s};
    mesh.faces = {0, 11, 5, 0, 5, 1, 0, 1, 7, 0, 7, 10, 0, 10, 11, 1, 5, 9, 5, 11, 4, 11, 10, 2, 10, 7, 6,
                  7, 1, 8, 3, 9, 4, 3, 4, 2, 3, 2, 6, 3, 6, 8, 3, 8, 9, 4, 9, 5, 2, 4, 11, 6, 2, 10,
                  8, 6, 7, 9, 8, 1};
    for (int level = 0; level < 5; ++level) {
        std::map<std::pair<int32_t, int32_t>, int32_t> made;
        std::vector<int32_t> faces;
        for (size_t f = 0; f < mesh.faces.size(); f += 3) {
            int32_t a = mesh.faces[f], b = mesh.faces[f + 1], c = mesh.faces[f + 2];
            int32_t ab = midpoint(mesh.positions, made, a, b), bc = midpoint(mesh.positions, made, b, c),
                    ca = midpoint(mesh.positions, made, c, a);
            faces.insert(faces.end(), {a, ab, ca, b, bc, ab, c, ca, bc, ab, bc, ca});
        }
        mesh.faces = std::move(faces);
    }
    mesh.texCoords.assign(mesh.positions.size() / 3 * 2, 0.5f);
    for (float& v : mesh.positions) {
        v *= radius;
    }
    return mesh;
}

struct Content {
    TextureSet textures{};
    MeshSet meshes{};
    RenderTargetPair targets{};
    bool generated = false;
};

// The demo's assets where data/ holds them, else stand-ins: meshes 5 to 7 a
// geodesic sphere, textures whatever their loaders leave for missing files.
Content loadContent() {
    Content content;
    const char* texturePaths[10] = {"data/tex/bakgrunn.png", "data/tex/blue.png", "", "", "", "", "",
                                    "data/tex/turtle2.jpg", "data/tex/green.png", "data/tex/greets.png"};
    content.generated = !fileExists("data/obj/hisphere.ebr");
    setMessageSink([](const char*, const char*) {});
    for (int i : {0, 1, 7, 8, 9}) {
        content.textures[i] = new Texture(texturePaths[i]);
    }
    std::string sphere = "data/obj/hisphere.ebr", shell = "data/obj/turtleskall.ebr";
    if (content.generated) {
        sphere = shell = "/tmp/frame_bench_sphere.ebr";
        writeEbr(sphere.c_str(), {geodesicSphere(50.0f)});
    }
    content.meshes[5] = new Mesh(sphere.c_str());
    content.meshes[6] = new Mesh(sphere.c_str());
    content.meshes[7] = new Mesh(shell.c_str());
    content.targets[0] = new RenderTarget(800, 600, 800, 600);
    content.targets[1] = new RenderTarget(128, 128, 800, 600);
    return content;
}

// A made-up but music-like spectrum for frame i: a pulsing bass and mids.
void fillSpectrum(std::vector<float>& spectrum, int frame) {
    const double phase = frame * 0.37;
    spectrum[0] = static_cast<float>(0.5 + 0.5 * std::sin(phase));
    for (int k = 3; k <= 5; ++k) {
        spectrum[k] = static_cast<float>(0.2 * (1.0 + std::sin(phase * 0.7 + k)));
    }
}

bool saveBmp(const std::string& path) {
    std::vector<uint8_t> rgba(800 * 600 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 600, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 800, 600, 32, SDL_PIXELFORMAT_RGBA32);
    if (surface == nullptr) {
        return false;
    }
    for (int row = 0; row < 600; ++row) {
        std::memcpy(static_cast<uint8_t*>(surface->pixels) + row * surface->pitch,
                    rgba.data() + static_cast<size_t>(599 - row) * 800 * 4, 800 * 4);
    }
    bool ok = SDL_SaveBMP(surface, path.c_str()) == 0;
    SDL_FreeSurface(surface);
    return ok;
}

constexpr int kWarmupFrames = 5;

struct SceneRun {
    const char* name;
    Scene* scene;
    float startSeconds, endSeconds;
    float shownSeconds;  // the time of the saved frame
};

// Renders frameCount timed frames evenly over the scene's window, with a
// spectrum that moves from frame to frame; adds the allocations made inside
// the timed renders to allocations.
std::vector<double> timeScene(const SceneRun& run, Content& content, int frameCount, long& allocations) {
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
        run.scene->render(t, spectrum.data(), content.textures, content.meshes, content.targets);
        if (frame >= kWarmupFrames) {
            allocations += gAllocationCount - before;
        }
    };
    return bench::timeGLFrames(kWarmupFrames, frameCount, prepare, work);
}

// CPU cost of rebuilding mesh 5 from mesh 6 and renormalising it, per frame.
std::vector<double> timeRipple(Content& content, int frameCount, long& allocations) {
    std::vector<double> frameMs;
    frameMs.reserve(frameCount);
    Mesh& drawn = *content.meshes[5];
    const SubMesh* rest = content.meshes[6]->subMeshCount > 0 ? content.meshes[6]->subMeshes[0].get() : nullptr;
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
void saveShownFrame(const SceneRun& run, Content& content, const std::string& folder) {
    std::vector<float> spectrum(kSpectrumSize, 0.0f);
    fillSpectrum(spectrum, 4);
    run.scene->render(run.shownSeconds, spectrum.data(), content.textures, content.meshes, content.targets);
    const std::string path = folder + "/" + run.name + ".bmp";
    if (!saveBmp(path)) {
        std::fprintf(stderr, "frame_bench: cannot write %s\n", path.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    int frameCount = 300;
    std::string saveFolder;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--frames") == 0) {
            frameCount = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--save") == 0) {
            saveFolder = argv[i + 1];
        }
    }
    bench::HeadlessGLContext context;
    if (!context.open(800, 600)) {
        bench::JsonObject().add("error", "no GL context").print();
        return 1;
    }
    Content content = loadContent();
    SphereScene sphere;
    PhotoScene photo;
    ShellScene shell;
    const SceneRun runs[3] = {{"sphere", &sphere, 0.0f, 28.0f, 10.0f},
                              {"photo", &photo, 28.0f, 43.0f, 35.0f},
                              {"shell", &shell, 43.0f, 60.0f, 50.0f}};

    bench::JsonObject json;
    json.add("benchmark", "frame").add("renderer", bench::glRenderer()).add("width", 800).add("height", 600);
    json.add("assets", content.generated ? "stand-in geodesic sphere" : "data/");
    long allocations = 0;
    for (const SceneRun& run : runs) {
        bench::resetGLState(800, 600);
        json.addStats(std::string(run.name) + "_", bench::summarize(timeScene(run, content, frameCount, allocations)));
        if (!saveFolder.empty()) {
            saveShownFrame(run, content, saveFolder);
        }
    }
    const SubMesh* rest = content.meshes[6]->subMeshCount > 0 ? content.meshes[6]->subMeshes[0].get() : nullptr;
    json.add("sphere_vertices", rest != nullptr ? rest->vertexCount : 0);
    json.addStats("ripple_normals_", bench::summarize(timeRipple(content, frameCount, allocations)));
    json.add("allocations_in_timed_frames", int64_t(allocations));
    json.print();
    return 0;
}
