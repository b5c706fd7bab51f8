#include "tools/capture/Capture.h"

#include "app/Content.h"
#include "app/Timeline.h"
#include "platform/CanvasSize.h"
#include "platform/GLWindow.h"
#include "platform/StopRequests.h"
#include "scenes/PhotoScene.h"
#include "scenes/ShellScene.h"
#include "scenes/SphereScene.h"
#include "sound/TrackAnalysis.h"
#include "tools/capture/FrameSink.h"
#include "tools/capture/FrameWriterThread.h"

#include <GL/gl.h>
#include <SDL2/SDL_timer.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

std::unique_ptr<FrameSink> makeSink(const CaptureOptions& options, std::string& error) {
    if (options.hasAt) {
        return makeStillSink(options.stillFile, options.outWidth, options.outHeight, error);
    }
    if (!options.framesDir.empty()) {
        return makePngSequenceSink(options.framesDir, options.outWidth, options.outHeight, error);
    }
    return makeMp4Sink(options.outFile, options.fps, options.outWidth, options.outHeight, kSoundtrackPath,
                       options.fromSeconds, options.toSeconds - options.fromSeconds, error);
}

// The file or folder the capture writes, for messages.
const std::string& outputName(const CaptureOptions& options) {
    if (options.hasAt) {
        return options.stillFile;
    }
    return options.framesDir.empty() ? options.outFile : options.framesDir;
}

// Prints frames done, frames per second and time left, at most twice a second.
class Progress {
public:
    explicit Progress(long total) : total(total), start(SDL_GetPerformanceCounter()) {}

    void update(long done, bool last) {
        const double seconds =
            static_cast<double>(SDL_GetPerformanceCounter() - start) / static_cast<double>(SDL_GetPerformanceFrequency());
        if (!last && seconds - shownAt < 0.5) {
            return;
        }
        shownAt = seconds;
        const double fps = seconds > 0 ? done / seconds : 0.0;
        const double left = fps > 0 ? (total - done) / fps : 0.0;
        std::fprintf(stderr, "\rmorvel-capture: frame %ld/%ld  %.1f fps  %.0f s left   %s", done, total, fps, left,
                     last ? "\n" : "");
        std::fflush(stderr);
    }

private:
    long total;
    Uint64 start;
    double shownAt = -1.0;
};

// The demo's three scenes, in timeline order.
using SceneSet = std::array<std::unique_ptr<Scene>, 3>;

// Clears the frame and draws every scene that shows at t with the spectrum at t
// (silence without music).
void drawFrameAt(float t, TrackAnalysis& analysis, bool haveMusic, std::array<float, kSpectrumSize>& spectrum,
                 const SceneSet& scenes, Content& content) {
    spectrum.fill(0.0f);
    if (haveMusic) {
        analysis.spectrumAt(t, spectrum.data());
    }
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (int scene = 0; scene < 3; ++scene) {
        if (sceneShowsAt(scene, t)) {
            scenes[scene]->render(t, spectrum.data(), content.textures, content.meshes, content.targets);
        }
    }
}

// Reads the drawn canvas back into frame number n, in a buffer from the writer.
CapturedFrame readFrame(long n, FrameWriterThread& writer) {
    CapturedFrame frame;
    frame.number = n;
    frame.width = kCanvasWidth;
    frame.height = kCanvasHeight;
    frame.rgb = writer.takeBuffer(static_cast<size_t>(kCanvasWidth) * kCanvasHeight * 3);
    glReadPixels(0, 0, kCanvasWidth, kCanvasHeight, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
    return frame;
}

// The exit status of a finished capture, with its message on standard error.
int reportEnd(const CaptureOptions& options, bool ok, int interruptedBy) {
    if (interruptedBy != 0) {
        std::fprintf(stderr, "\nmorvel-capture: interrupted by signal %d; the output is not complete\n", interruptedBy);
        return 128 + interruptedBy;
    }
    if (!ok) {
        std::fprintf(stderr, "morvel-capture: writing %s failed\n", outputName(options).c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int runCapture(const CaptureOptions& options) {
    long first = 0, end = 0;
    frameRange(options, first, end);
    if (options.hasAt) {
        // A still shows the frame at exactly that time.
        first = 0;
        end = 1;
    }
    std::string error;
    std::unique_ptr<FrameSink> sink = makeSink(options, error);
    if (!sink) {
        std::fprintf(stderr, "morvel-capture: %s\n", error.c_str());
        return 2;
    }

    // SIGINT and SIGTERM stop the capture between two frames; the output is
    // then removed or left under its temporary name, never as a whole file.
    StopRequests stopRequests;
    // Headless and silent whatever the machine has: the picture is read back and
    // the music is analysed offline, never played.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    GLWindow window(kCanvasWidth, kCanvasHeight, 32, false, "morvel-capture");
    if (!window.ready) {
        window.close();
        sink->finish(false);
        std::fprintf(stderr, "morvel-capture: no OpenGL context could be made, so nothing can be drawn\n");
        return 1;
    }
    Content content;
    const SceneSet scenes = {std::make_unique<SphereScene>(), std::make_unique<PhotoScene>(),
                             std::make_unique<ShellScene>()};
    TrackAnalysis analysis;
    const bool haveMusic = analysis.load(kSoundtrackPath);
    std::array<float, kSpectrumSize> spectrum{};

    FrameWriterThread writer(*sink);
    Progress progress(end - first);
    bool ok = true;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (long n = first; n < end && ok && stopSignal() == 0; ++n) {
        const float t = options.hasAt ? static_cast<float>(options.atSeconds) : frameTime(n, options.fps);
        drawFrameAt(t, analysis, haveMusic, spectrum, scenes, content);
        ok = writer.push(readFrame(n, writer));
        progress.update(n - first + 1, n + 1 == end);
    }
    const int interruptedBy = stopSignal();
    ok = writer.drain() && ok && interruptedBy == 0;
    ok = sink->finish(ok);
    content.shutdownSound();
    window.close();
    return reportEnd(options, ok, interruptedBy);
}
