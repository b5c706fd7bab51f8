// Loops hold: plays the demo's --loop in this process, headless, through SDL's
// dummy audio driver (or the server SDL_AUDIODRIVER names), for MINUTES, and at
// each loop reports what would grow or drift over hours: resident memory, open
// file descriptors, GL texture and render-buffer names alive, the A/V offset a
// moment into the loop (the sample frame mixed where the output is heard, against
// the clock) and the frame time's p99. Needs data/ in the working directory.
//   soak_bench MINUTES [--from S] [--to S] [--loops N]
// 57 to 60 s by default; --loops ends after N loops instead of the minutes. Exits 1
// when, between the second loop and the last, the least heap in use grows by more than
// 1 MB (resident memory by more than 16 MB, but under AddressSanitizer), a
// descriptor or a GL name is left over, or an offset passes 5 ms.
#include "app/Demo.h"
#include "bench/support/BenchSupport.h"
#include "platform/ProcessClock.h"
#include "platform/StopRequests.h"
#include "sound/AudioLibrary.h"

#include <GL/gl.h>
#include <SDL.h>
#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's own count (GCC ships the runtime but not its header).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The loops' figures are taken this far into each, once the output plays the new pass.
constexpr float kOffsetAfterStartSeconds = 0.5f;

struct LoopFigures {
    double residentMb = 0;
    double heapMb = 0;
    int openDescriptors = 0;
    int textureNames = 0;
    int renderbufferNames = 0;
    double offsetMs = NAN;
    double frameP99Ms = 0;
};

double residentMb() {
    long pages = 0, resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's allocator holds freed blocks back (a quarantine of up to 256 MB,
// which fills over the first loops and then goes on taking pages now and then: 17 MB
// over loops 2 to 5 in one run) and answers mallinfo2 with zeros, so resident memory
// says nothing there and the heap is read from the allocator itself.
constexpr bool kResidentMeansAnything = false;
double heapInUseMb() {
    return static_cast<double>(__sanitizer_get_current_allocated_bytes()) / (1024.0 * 1024.0);
}
#else
constexpr bool kResidentMeansAnything = true;
// What the program holds of the C heap, as against what the heap has of the system:
// resident memory that grows while this stays put is the allocator's, not a leak.
double heapInUseMb() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}
#endif

int openDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (dirent* entry = readdir(dir)) {
            count += entry->d_name[0] != '.' ? 1 : 0;
        }
        closedir(dir);
    }
    return count - 1;  // the listing's own
}

// Names are handed out low first, so the alive ones lie below a bound well past the demo's.
int aliveTextureNames() {
    int count = 0;
    for (GLuint name = 1; name < 4096; ++name) {
        count += glIsTexture(name) ? 1 : 0;
    }
    return count;
}

int aliveRenderbufferNames() {
    using IsName = GLboolean (*)(GLuint);
    static const IsName isRenderbuffer = reinterpret_cast<IsName>(SDL_GL_GetProcAddress("glIsRenderbuffer"));
    int count = 0;
    for (GLuint name = 1; isRenderbuffer != nullptr && name < 1024; ++name) {
        count += isRenderbuffer(name) ? 1 : 0;
    }
    return count;
}

// Where the output is heard now, in track seconds, against the clock; NaN when unknown.
double offsetMs(Demo& demo) {
    const SoundSystem* sound = demo.soundtrack();
    if (sound == nullptr || sound->channel < 0) {
        return NAN;
    }
    const double heardSample = AUDIO_GetChannelSampleFrame(sound->channel, AUDIO_GetHeardFrame());
    const double clock = demo.clockSeconds();
    return heardSample < 0 ? NAN : (heardSample / AUDIO_GetMixRate() - clock) * 1000.0;
}

struct Options {
    double minutes = 1.0;
    float fromSeconds = 57.0f;
    float toSeconds = 60.0f;
    int loops = 0;
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--from" && hasValue) {
            options.fromSeconds = static_cast<float>(std::atof(argv[++i]));
        } else if (arg == "--to" && hasValue) {
            options.toSeconds = static_cast<float>(std::atof(argv[++i]));
        } else if (arg == "--loops" && hasValue) {
            options.loops = std::atoi(argv[++i]);
        } else if (arg[0] != '-') {
            options.minutes = std::atof(arg.c_str());
        } else {
            return false;
        }
    }
    return options.minutes > 0 && options.fromSeconds < options.toSeconds;
}

// Whether the loops held: nothing grew between the second loop and the last, and
// every offset stayed small. A leak shows in the least heap in use over a loop, held
// to 1 MB. Resident memory also counts pages the allocator and the GL driver keep,
// which llvmpipe's rasterizer threads grow by a few MB at a time on a busy machine
// (4.1 MB in one loop with the heap flat): it is held to kResidentGrowthMb, against
// a leak outside the heap (a driver's, a mapping's), which grows loop after loop.
constexpr double kHeapGrowthMb = 1.0;
constexpr double kResidentGrowthMb = 16.0;

bool held(const std::vector<LoopFigures>& loops) {
    if (loops.size() < 3) {
        return false;
    }
    const LoopFigures& second = loops[1];
    const LoopFigures& last = loops.back();
    bool ok = last.heapMb - second.heapMb <= kHeapGrowthMb &&
              (!kResidentMeansAnything || last.residentMb - second.residentMb <= kResidentGrowthMb) &&
              last.openDescriptors <= second.openDescriptors && last.textureNames <= second.textureNames &&
              last.renderbufferNames <= second.renderbufferNames;
    for (const LoopFigures& loop : loops) {
        ok = ok && std::isfinite(loop.offsetMs) && std::fabs(loop.offsetMs) <= 5.0;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    Options soak;
    if (!parse(argc, argv, soak)) {
        std::fprintf(stderr, "usage: soak_bench MINUTES [--from S] [--to S] [--loops N]\n");
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    char from[32], to[32];
    std::snprintf(from, sizeof from, "%g", soak.fromSeconds);
    std::snprintf(to, sizeof to, "%g", soak.toSeconds);
    DemoOptions options;
    std::string error;
    if (!parseDemoOptions({"--window", "--loop", "--from", from, "--to", to}, options, error)) {
        std::fprintf(stderr, "soak_bench: %s\n", error.c_str());
        return 2;
    }
    Demo demo(options);
    std::vector<LoopFigures> loops;
    std::vector<double> frameMs;
    double lastFrameMs = -1.0;
    bool measuredThisLoop = true;
    const double endMs = bench::nowMs() + soak.minutes * 60000.0;
    demo.frameShown = [&](float t, const float*) {
        const double now = bench::nowMs();
        if (t == soak.fromSeconds) {
            if (!loops.empty()) {
                loops.back().frameP99Ms = bench::summarize(frameMs).p99Ms;
            }
            const bool done = soak.loops > 0 ? static_cast<int>(loops.size()) >= soak.loops : now >= endMs;
            if (done) {
                requestStop();
                return;
            }
            loops.push_back({residentMb(), heapInUseMb(), openDescriptors(), aliveTextureNames(), aliveRenderbufferNames(), NAN, 0});
            frameMs.clear();
            measuredThisLoop = false;
        } else if (lastFrameMs >= 0.0) {
            frameMs.push_back(now - lastFrameMs);
            // The least the loop held: llvmpipe's threads hold a frame's buffers in
            // flight now and then (1.94 MB, at one loop's first frame in about ten
            // runs), which one reading would take for growth; a leak lifts the least.
            if (!loops.empty()) {
                loops.back().heapMb = std::min(loops.back().heapMb, heapInUseMb());
            }
        }
        if (!measuredThisLoop && t >= soak.fromSeconds + kOffsetAfterStartSeconds) {
            loops.back().offsetMs = offsetMs(demo);
            measuredThisLoop = true;
        }
        lastFrameMs = now;
    };
    demo.run();
    for (size_t i = 0; i < loops.size(); ++i) {
        const LoopFigures& f = loops[i];
        std::fprintf(stderr, "soak_bench: loop %zu: %.2f MB resident, %.2f MB heap in use, %d descriptors, "
                     "%d textures, %d render buffers, offset %.3f ms, frame p99 %.1f ms\n", i + 1, f.residentMb,
                     f.heapMb, f.openDescriptors, f.textureNames,
                     f.renderbufferNames, f.offsetMs, f.frameP99Ms);
    }
    const bool ok = held(loops);
    bench::JsonObject json;
    json.add("benchmark", "soak").add("minutes", soak.minutes).add("loops", static_cast<int>(loops.size()));
    if (!loops.empty()) {
        const LoopFigures& first = loops.front();
        const LoopFigures& last = loops.back();
        double worstOffset = 0.0;
        for (const LoopFigures& f : loops) {
            worstOffset = std::max(worstOffset, std::fabs(f.offsetMs));
        }
        json.add("resident_mb_first", first.residentMb)
            .add("resident_growth_mb", last.residentMb - (loops.size() > 1 ? loops[1].residentMb : first.residentMb))
            .add("heap_growth_mb", last.heapMb - (loops.size() > 1 ? loops[1].heapMb : first.heapMb))
            .add("descriptor_growth", last.openDescriptors - first.openDescriptors)
            .add("texture_name_growth", last.textureNames - first.textureNames)
            .add("renderbuffer_name_growth", last.renderbufferNames - first.renderbufferNames)
            .add("worst_offset_ms", worstOffset)
            .add("frame_p99_first_ms", loops.size() > 1 ? loops[0].frameP99Ms : NAN)
            .add("frame_p99_last_ms", loops.size() > 1 ? loops[loops.size() - 2].frameP99Ms : NAN);
    }
    json.add("held", ok).print();
    return ok ? 0 : 1;
}
